#include "platform/RegValue.h"

#include <QtEndian>

#include <array>
#include <utility>

namespace tesselvane {

namespace {

constexpr std::array<std::pair<RegType, const char*>, 9> kTypeNames{{
    {RegType::None, "REG_NONE"},
    {RegType::Sz, "REG_SZ"},
    {RegType::ExpandSz, "REG_EXPAND_SZ"},
    {RegType::Binary, "REG_BINARY"},
    {RegType::Dword, "REG_DWORD"},
    {RegType::DwordBigEndian, "REG_DWORD_BIG_ENDIAN"},
    {RegType::Link, "REG_LINK"},
    {RegType::MultiSz, "REG_MULTI_SZ"},
    {RegType::Qword, "REG_QWORD"},
}};

}  // namespace

QString regTypeName(RegType type) {
    for (const auto& [t, name] : kTypeNames) {
        if (t == type)
            return QString::fromLatin1(name);
    }
    return QStringLiteral("REG_0x%1").arg(static_cast<std::uint32_t>(type), 0, 16);
}

std::optional<RegType> regTypeFromName(const QString& name) {
    for (const auto& [t, typeName] : kTypeNames) {
        if (name.compare(QLatin1String(typeName), Qt::CaseInsensitive) == 0)
            return t;
    }
    return std::nullopt;
}

RegValue RegValue::text(const QString& name, const QString& value, RegType type) {
    return RegValue{name, type, value.toUtf8()};
}

RegValue RegValue::dword(const QString& name, std::uint32_t value) {
    QByteArray data(4, '\0');
    qToLittleEndian(value, data.data());
    return RegValue{name, RegType::Dword, data};
}

std::optional<std::uint32_t> RegValue::toDword() const {
    if (data.size() != 4)
        return std::nullopt;
    if (type == RegType::DwordBigEndian)
        return qFromBigEndian<std::uint32_t>(data.constData());
    return qFromLittleEndian<std::uint32_t>(data.constData());
}

std::optional<std::uint64_t> RegValue::toQword() const {
    if (data.size() != 8)
        return std::nullopt;
    return qFromLittleEndian<std::uint64_t>(data.constData());
}

}  // namespace tesselvane
