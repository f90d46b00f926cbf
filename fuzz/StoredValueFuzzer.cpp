// Integers read from stored text: the reader agrees with a plain reference parser on every
// input.

#include "RegIni.h"

#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>

namespace {

std::optional<std::int32_t> reference(const std::string& text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t'))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+'))
        negative = text[i++] == '-';
    if (i == text.size())
        return std::nullopt;
    long long value = 0;
    for (; i < text.size(); ++i) {
        if (!std::isdigit(static_cast<unsigned char>(text[i])))
            return std::nullopt;
        value = value * 10 + (text[i] - '0');
        if (value > 3000000000LL)
            return std::nullopt;
    }
    if (negative)
        value = -value;
    if (value < INT32_MIN || value > INT32_MAX)
        return std::nullopt;
    return static_cast<std::int32_t>(value);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const QString text = QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
    if (tesselvane::ParseStoredInteger(text) != reference(bytes))
        std::abort();
    // Decoded as UTF-8, as stored text is: other scripts' digits are no digits.
    const QString utf8 = QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
    const auto parsed = tesselvane::ParseStoredInteger(utf8);
    if (parsed && parsed != reference(bytes))
        std::abort();
    return 0;
}
