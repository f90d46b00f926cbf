#include "controls/WindowFont.h"

namespace tesselvane {

QFont windowFont() {
    QFont font;
    font.setFamilies({QStringLiteral("MS PGothic"), QStringLiteral("Noto Sans CJK JP")});
    font.setPixelSize(12);
    return font;
}

}  // namespace tesselvane
