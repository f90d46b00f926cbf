#pragma once

#include "picture/JpegPrefetch.h"
#include "picture/PluginHost.h"
#include "platform/SingleInstance.h"
#include "settings/PictureListPrefetch.h"

#include <memory>

namespace tesselvane {

// The first steps of the start, which need nothing of the GUI libraries: the executable takes
// them while those libraries load, and hands what it got to runProgram.
struct EarlyStart {
    std::unique_ptr<SingleInstance> instance;          // checked: held unless another copy runs
    std::unique_ptr<JpegPrefetch> prefetch;            // the picture of the change due at start
    std::unique_ptr<PictureListPrefetch> pictureList;  // of the group chosen at start
    int listening = -1;         // the socket that takes second starts' calls from now on, or -1
    PluginHelper pluginHelper;  // started when extension plug-ins are installed, to load meanwhile
};

// The program module's entry point (platform/ProgramModule.h): the arguments of main, and what
// the executable began.
using ProgramModuleEntry = int(int argc, char** argv, EarlyStart* early);
inline constexpr char kProgramModuleEntry[] = "TesselvaneModuleMain";

// Checks for another copy and, for this one, starts reading the start's picture. Never
// raises: what fails here (the store, the options) is done again, and reported, by
// runProgram, which has the windows to say it in.
// `changeOnce`: the program was started to change the wallpaper once and end ("-C").
EarlyStart startEarly(bool changeOnce);

// The start of a second copy, which ends there: without "-C" it first asks the running copy
// to bring its window forward. Returns the exit status.
int turnAwaySecondCopy(bool changeOnce);

// The picture the change due at start in a date mode will show, read from now on, after
// LoadOptions; nullptr when there is none to read ahead.
std::unique_ptr<JpegPrefetch> prefetchStartPicture();

}  // namespace tesselvane
