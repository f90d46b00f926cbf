#pragma once

#include <QString>
#include <QtGlobal>

namespace tesselvane {

// "<first>.<second><third>" of a product version given as its two 32-bit halves (first and
// second number in the high half, third and fourth in the low); the fourth is not shown.
QString versionText(quint32 productVersionMS, quint32 productVersionLS);

// The program's own version, as the about box shows it: 1.0.2.0 gives "1.02".
QString programVersionText();

}  // namespace tesselvane
