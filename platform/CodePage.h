#pragma once

#include <QString>

namespace tesselvane {

// The length of `text` in bytes of the Japanese code page (CP932), as the length limits of
// the stored names count it: ASCII and half-width katakana take one byte, other characters
// two. A character the code page lacks counts one byte, for the "?" it would become.
int japaneseCodePageBytes(const QString& text);

}  // namespace tesselvane
