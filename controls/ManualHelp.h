#pragma once

#include "platform/Help.h"

namespace tesselvane {

// The help commands: the manual opened in the browser (platform/Help.h), and when none opens
// it, the general error report naming where the manual is, so that it can be opened by hand.
void showHelp(HelpCommand command);
void showHelpContext(int context);

}  // namespace tesselvane
