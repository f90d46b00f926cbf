// Tesselvane: the program's entry. Answers the switches that need no window, takes the first
// steps of the start, then loads the rest of the program, with the GUI libraries, while the
// start's picture is being read.

#include "app/CommandLine.h"
#include "app/EarlyStart.h"
#include "platform/HeapPolicy.h"
#include "platform/InterfaceLanguage.h"
#include "platform/ProgramModule.h"
#include "platform/ProgramVersion.h"
#include "platform/Screen.h"

#include <QByteArray>
#include <QStringList>

#include <cstdio>

int main(int argc, char* argv[]) {
    using namespace tesselvane;
    keepHeapCompact();
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    const CommandLine command = parseCommandLine(arguments);
    switch (command.action) {
        case CommandLine::Action::Help:
            std::fputs(qPrintable(usageText()), stdout);
            return 0;
        case CommandLine::Action::Version:
            std::printf("Tesselvane %s\n", qPrintable(programVersionText()));
            return 0;
        case CommandLine::Action::Unknown:
            std::fprintf(
                stderr, "tesselvane: %s\n%s",
                qPrintable(
                    interfaceText("main", "分からないスイッチです: %1").arg(command.unknown)),
                qPrintable(usageText()));
            return 2;
        case CommandLine::Action::Control:
            return sendToRunningCopy(*command.request);
        case CommandLine::Action::Run:
        case CommandLine::Action::ChangeOnce:
            break;
    }
    // Qt would end the process with SIGABRT for want of a screen; say it plainly instead.
    if (!guiSessionPossible()) {
        std::fprintf(stderr, "tesselvane: %s\n",
                     qPrintable(interfaceText(
                         "main", "画面がありません (DISPLAY も WAYLAND_DISPLAY も空です)")));
        return 1;
    }
    const bool changeOnce = command.action == CommandLine::Action::ChangeOnce;
    EarlyStart early = startEarly(changeOnce);
    if (early.instance && !early.instance->isFirst())
        return turnAwaySecondCopy(changeOnce);
    QString error;
    auto* run = loadProgramModule<ProgramModuleEntry>(kProgramModuleEntry, &error);
    if (!run) {
        std::fprintf(
            stderr, "tesselvane: %s\n",
            qPrintable(interfaceText("main", "プログラムの本体を読み込めません (%1)").arg(error)));
        return 1;
    }
    return run(argc, argv, &early);
}
