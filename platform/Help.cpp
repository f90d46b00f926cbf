#include "platform/Help.h"

#include "platform/ProgramPaths.h"

#include <QDesktopServices>
#include <QUrl>

namespace tesselvane {

namespace {

void openManual(const QString& fragment) {
    QUrl url = QUrl::fromLocalFile(programFolder() + QStringLiteral("TESSEL.html"));
    if (!fragment.isEmpty())
        url.setFragment(fragment);
    QDesktopServices::openUrl(url);
}

}  // namespace

void openHelp(HelpCommand command) {
    // The manual's contents are at its top; the finder is its index of topics.
    openManual(command == HelpCommand::Finder ? QStringLiteral("index") : QString());
}

void openHelpContext(int context) {
    openManual(QStringLiteral("ctx-%1").arg(context));
}

}  // namespace tesselvane
