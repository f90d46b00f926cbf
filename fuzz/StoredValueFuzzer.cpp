// Integers read from stored text: the reader agrees with a plain reference parser on every
// input.

#include "settings/RegIni.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

namespace {

// An independent reading of the rule: blanks, an optional sign, decimal digits only, the
// value within 32 bits.
std::optional<std::int32_t> reference(const std::string& text) {
    std::string_view rest(text);
    rest.remove_prefix(std::min(rest.find_first_not_of(" \t"), rest.size()));
    bool negative = false;
    if (!rest.empty() && (rest.front() == '+' || rest.front() == '-')) {
        negative = rest.front() == '-';
        rest.remove_prefix(1);
    }
    if (rest.empty() || rest.find_first_not_of("0123456789") != std::string_view::npos)
        return std::nullopt;
    rest.remove_prefix(std::min(rest.find_first_not_of('0'), rest.size() - 1));  // leading zeros
    std::int64_t magnitude = 0;
    if (rest.size() > 10)
        return std::nullopt;
    std::from_chars(rest.data(), rest.data() + rest.size(), magnitude);
    const std::int64_t value = negative ? -magnitude : magnitude;
    if (value < INT32_MIN || value > INT32_MAX)
        return std::nullopt;
    return static_cast<std::int32_t>(value);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const QString text = QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
    if (tesselvane::parseStoredInteger(text) != reference(bytes))
        std::abort();
    // Decoded as UTF-8, as stored text is: other scripts' digits are no digits.
    const QString utf8 = QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
    const auto parsed = tesselvane::parseStoredInteger(utf8);
    if (parsed && parsed != reference(bytes))
        std::abort();
    return 0;
}
