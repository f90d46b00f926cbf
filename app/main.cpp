// Tesselvane: the program's entry. Takes the first steps of the start, then loads the rest of
// the program, with the GUI libraries, while the start's picture is being read.

#include "app/EarlyStart.h"
#include "platform/HeapPolicy.h"
#include "platform/ProgramModule.h"
#include "platform/Screen.h"

#include <QByteArray>

#include <cstdio>

int main(int argc, char* argv[]) {
    using namespace tesselvane;
    keepHeapCompact();
    // Qt would end the process with SIGABRT for want of a screen; say it plainly instead.
    if (!guiSessionPossible()) {
        std::fprintf(stderr,
                     "tesselvane: 画面がありません (DISPLAY も WAYLAND_DISPLAY も空です)\n");
        return 1;
    }
    const bool changeOnce = argc > 1 && QByteArray(argv[1]).toUpper() == "-C";
    EarlyStart early = startEarly(changeOnce);
    if (early.instance && !early.instance->isFirst())
        return turnAwaySecondCopy(changeOnce);
    QString error;
    auto* run = loadProgramModule<ProgramModuleEntry>(kProgramModuleEntry, &error);
    if (!run) {
        std::fprintf(stderr, "tesselvane: プログラムの本体を読み込めません (%s)\n",
                     qPrintable(error));
        return 1;
    }
    return run(argc, argv, &early);
}
