#include "platform/CodePage.h"

#include <QList>

#include <iconv.h>

namespace tesselvane {

namespace {

// One conversion descriptor per thread: opening one reads the locale's gconv modules.
class Cp932Converter {
public:
    Cp932Converter() : cd_(iconv_open("CP932", "UTF-32LE")) {}
    ~Cp932Converter() {
        if (cd_ != reinterpret_cast<iconv_t>(-1))
            iconv_close(cd_);
    }
    Cp932Converter(const Cp932Converter&) = delete;
    Cp932Converter& operator=(const Cp932Converter&) = delete;

    // Bytes of one code point; 0 when the code page lacks it, -1 when there is no converter.
    int bytes(char32_t c) {
        if (cd_ == reinterpret_cast<iconv_t>(-1))
            return -1;
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        char in[4] = {char(c & 0xFF), char((c >> 8) & 0xFF), char((c >> 16) & 0xFF),
                      char((c >> 24) & 0xFF)};
        char out[8];
        char* inPtr = in;
        char* outPtr = out;
        size_t inLeft = sizeof in;
        size_t outLeft = sizeof out;
        if (iconv(cd_, &inPtr, &inLeft, &outPtr, &outLeft) == static_cast<size_t>(-1))
            return 0;
        return static_cast<int>(sizeof out - outLeft);
    }

private:
    iconv_t cd_;
};

// Without glibc's CP932 module: the code page's own rule for what it holds.
int fallbackBytes(char32_t c) {
    return c < 0x80 || (c >= 0xFF61 && c <= 0xFF9F) ? 1 : 2;
}

}  // namespace

int japaneseCodePageBytes(const QString& text) {
    thread_local Cp932Converter converter;
    int total = 0;
    for (const char32_t c : text.toUcs4()) {
        const int bytes = converter.bytes(c);
        total += bytes < 0 ? fallbackBytes(c) : bytes == 0 ? 1 : bytes;
    }
    return total;
}

}  // namespace tesselvane
