#include "HostSettings.h"

#include "tesselvane_bpi.h"

#include <QByteArray>

// Weak, so that the plug-in still loads into a host that does not offer them.
#pragma weak TesselvaneReadSetting
#pragma weak TesselvaneWriteSetting

namespace tesselvane::bpi {

namespace {

// Longer values are none of ours; stops a confused host from making us allocate wildly.
constexpr int32_t kLongestValue = 64 * 1024;

}  // namespace

HostSettings::HostSettings(const char* hostKey, const char* subkey) {
    if (hostKey != nullptr)
        key_ = QByteArray(hostKey) + '\\' + subkey;
}

std::optional<QString> HostSettings::text(const char* name) const {
    if (key_.isEmpty() || TesselvaneReadSetting == nullptr)
        return std::nullopt;
    QByteArray buffer(256, '\0');
    // Once more with room for the length the host reported; a value that keeps growing is
    // not worth chasing.
    for (int attempt = 0; attempt < 2; ++attempt) {
        const int32_t length =
            TesselvaneReadSetting(key_.constData(), name, buffer.data(), int32_t(buffer.size()));
        if (length < 0 || length > kLongestValue)
            return std::nullopt;
        if (length < buffer.size()) {
            // Stop at the terminator the host wrote, whatever length it claimed.
            return QString::fromUtf8(buffer.constData(),
                                     static_cast<qsizetype>(qstrnlen(buffer.constData(), length)));
        }
        buffer.fill('\0', length + 1);
    }
    return std::nullopt;
}

int HostSettings::integer(const char* name, int fallback, int lowest, int highest) const {
    const std::optional<QString> value = text(name);
    if (!value)
        return fallback;
    bool ok = false;
    const int number = value->trimmed().toInt(&ok, 10);
    return ok && number >= lowest && number <= highest ? number : fallback;
}

QColor HostSettings::color(const char* name, const QColor& fallback) const {
    const std::optional<QString> value = text(name);
    if (!value || value->size() != 7 || value->at(0) != QLatin1Char('#'))
        return fallback;
    // Digit by digit: toUInt would also take signs and spaces.
    QRgb rgb = 0;
    for (int i = 1; i < 7; ++i) {
        const char16_t c = value->at(i).toLower().unicode();
        if (c >= u'0' && c <= u'9')
            rgb = rgb << 4 | QRgb(c - u'0');
        else if (c >= u'a' && c <= u'f')
            rgb = rgb << 4 | QRgb(c - u'a' + 10);
        else
            return fallback;
    }
    return QColor::fromRgb(rgb);
}

bool HostSettings::flag(const char* name, bool fallback) const {
    const std::optional<QString> value = text(name);
    if (!value)
        return fallback;
    const QString trimmed = value->trimmed();
    if (trimmed == QLatin1String("1"))
        return true;
    if (trimmed == QLatin1String("0"))
        return false;
    return fallback;
}

bool HostSettings::write(const char* name, const QString& value) const {
    if (key_.isEmpty() || TesselvaneWriteSetting == nullptr)
        return false;
    return TesselvaneWriteSetting(key_.constData(), name, value.toUtf8().constData()) == 0;
}

bool HostSettings::writeInteger(const char* name, int value) const {
    return write(name, QString::number(value));
}

bool HostSettings::writeColor(const char* name, const QColor& value) const {
    return write(name, value.name(QColor::HexRgb));
}

bool HostSettings::writeFlag(const char* name, bool value) const {
    return write(name, value ? QStringLiteral("1") : QStringLiteral("0"));
}

}  // namespace tesselvane::bpi
