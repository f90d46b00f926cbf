#include "app/TesselvaneApplication.h"

#include "controls/ErrorReport.h"
#include "platform/InterfaceLanguage.h"

namespace tesselvane {

TesselvaneApplication::TesselvaneApplication(int& argc, char** argv) : QApplication(argc, argv) {
    installInterfaceTexts(this);
}

bool TesselvaneApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        reportError(std::current_exception());
        return false;
    }
}

}  // namespace tesselvane
