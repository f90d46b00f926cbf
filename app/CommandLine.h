#pragma once

#include "platform/RunningCopyProtocol.h"

#include <QString>
#include <QStringList>

#include <optional>

namespace tesselvane {

// What the program was started to do, from its arguments (without its own name).
struct CommandLine {
    enum class Action {
        Run,         // no switch of ours: the resident program
        ChangeOnce,  // "-C": change the wallpaper once and end
        Control,     // a command for the running copy
        Help,
        Version,
        Unknown,  // a switch nobody knows: `unknown` names it
    };
    Action action = Action::Run;
    std::optional<RunningCopyRequest> request;  // with Control
    QString unknown;
};

// Only the first argument is ours, as "-C" always was (in any letter case); the options of
// Qt's own (-platform, -display, ...) are left to Qt.
CommandLine parseCommandLine(const QStringList& arguments);

// The usage, every switch with what it does.
QString usageText();

// Runs a command switch: asks the running copy, prints its answer, and gives the exit status:
// 0 done, 1 failed (why, on stderr), 3 no copy runs (nothing is started).
int sendToRunningCopy(RunningCopyRequest request);

}  // namespace tesselvane
