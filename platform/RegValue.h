#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <optional>

namespace tesselvane {

// Registry value types, numbered as on Windows so that exported files mean the same.
enum class RegType : std::uint32_t {
    None = 0,
    Sz = 1,
    ExpandSz = 2,
    Binary = 3,
    Dword = 4,
    DwordBigEndian = 5,
    Link = 6,
    MultiSz = 7,
    Qword = 11,
};

// The name reg.exe prints for a type ("REG_SZ"); types without a name print as a number.
QString regTypeName(RegType type);
std::optional<RegType> regTypeFromName(const QString& name);

// One named value. Text types hold UTF-8 without a terminator; REG_MULTI_SZ holds its strings
// separated by NUL; REG_DWORD and REG_QWORD hold little-endian integers; the rest raw bytes.
struct RegValue {
    QString name;
    RegType type = RegType::Sz;
    QByteArray data;

    static RegValue text(const QString& name, const QString& value, RegType type = RegType::Sz);
    static RegValue dword(const QString& name, std::uint32_t value);

    bool isText() const { return type == RegType::Sz || type == RegType::ExpandSz; }
    QString toText() const { return QString::fromUtf8(data); }
    std::optional<std::uint32_t> toDword() const;
    std::optional<std::uint64_t> toQword() const;
};

}  // namespace tesselvane
