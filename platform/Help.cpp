#include "platform/Help.h"

#include "platform/InterfaceLanguage.h"
#include "platform/ProgramPaths.h"

#include <QDesktopServices>
#include <QUrl>

namespace tesselvane {

namespace {

void openManual(const QString& fragment, const HelpFailed& failed) {
    QUrl url = QUrl::fromLocalFile(manualPath());
    if (!fragment.isEmpty())
        url.setFragment(fragment);
    // Without an opener for the desktop (no xdg-open, no browser) Qt only says so on stderr.
    if (!QDesktopServices::openUrl(url) && failed)
        failed(manualPath());
}

}  // namespace

QString manualPath() {
    return documentationFolder() + (interfaceLanguage() == InterfaceLanguage::English
                                        ? QStringLiteral("TESSEL.en.html")
                                        : QStringLiteral("TESSEL.html"));
}

void openHelp(HelpCommand command, const HelpFailed& failed) {
    // The manual's contents are at its top; the finder is its index of topics.
    openManual(command == HelpCommand::Finder ? QStringLiteral("index") : QString(), failed);
}

void openHelpContext(int context, const HelpFailed& failed) {
    openManual(QStringLiteral("ctx-%1").arg(context), failed);
}

}  // namespace tesselvane
