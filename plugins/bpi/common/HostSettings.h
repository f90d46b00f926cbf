#pragma once

// The plug-in's settings, kept by the host under its key plus a subkey of the plug-in's own.
// A host that lacks the setting functions, or a value that is absent or unreadable, gives the
// caller's default.

#include <QByteArray>
#include <QColor>
#include <QString>

#include <optional>

namespace tesselvane::bpi {

class HostSettings {
public:
    // `hostKey` as the host passed it, possibly NULL (then nothing is read or written).
    HostSettings(const char* hostKey, const char* subkey);

    std::optional<QString> text(const char* name) const;
    // Decimal text within [lowest, highest], else `fallback`.
    int integer(const char* name, int fallback, int lowest, int highest) const;
    // "#rrggbb", else `fallback`.
    QColor color(const char* name, const QColor& fallback) const;
    // "1" or "0", else `fallback`. Nothing looser: a switch that turns itself on by a
    // misreading would change the user's wallpaper unasked.
    bool flag(const char* name, bool fallback) const;

    bool write(const char* name, const QString& value) const;
    bool writeInteger(const char* name, int value) const;
    bool writeColor(const char* name, const QColor& value) const;
    bool writeFlag(const char* name, bool value) const;

private:
    QByteArray key_;  // empty when the host gave none
};

}  // namespace tesselvane::bpi
