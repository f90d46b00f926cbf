#include "platform/ProgramVersion.h"

namespace tesselvane {

QString versionText(quint32 productVersionMS, quint32 productVersionLS) {
    return QStringLiteral("%1.%2%3")
        .arg(productVersionMS >> 16)
        .arg(productVersionMS & 0xFFFF)
        .arg(productVersionLS >> 16);
}

QString programVersionText() {
    return versionText(quint32(TESSELVANE_VERSION_MAJOR) << 16 | TESSELVANE_VERSION_MINOR,
                       quint32(TESSELVANE_VERSION_PATCH) << 16 | TESSELVANE_VERSION_TWEAK);
}

}  // namespace tesselvane
