#include "TestFolders.h"
#include "app/EarlyStart.h"
#include "platform/RegistryStore.h"
#include "settings/RegIni.h"

#include <QFile>

#include <gtest/gtest.h>

#include <unistd.h>

using namespace tesselvane;
using namespace tesselvane::test;

namespace {

// What startEarly began, ended again: the listening socket and a plug-in helper.
void finish(EarlyStart& early) {
    if (early.listening >= 0)
        ::close(early.listening);
    endChild(early.pluginHelper, true);
}

TEST(EarlyStart, ChangingOnceInOrderReadsTheNextPictureOfAFileListGroupAhead) {
    RegistryStore store(RegistryStore::defaultPath());
    RegIni ini(store);
    const QString first = scratchFolder() + "a.jpg", second = scratchFolder() + "b.JPG";
    ini.WriteString("GroupName", "Group0", "g");
    ini.WriteString("Files\\g", "File0000", first);
    ini.WriteString("Files\\g", "File0001", second);
    ini.WriteInteger("Task", "Default", 0);
    ini.WriteInteger("Task", "Index", 0);
    for (const bool random : {false, true}) {
        SCOPED_TRACE(random);
        ini.WriteBool("Option", "Random", random);
        EarlyStart early = startEarly(true);
        // The one the window will pick; a random draw is the window's to make.
        EXPECT_EQ(early.prefetch ? early.prefetch->path() : QString(), random ? QString() : second);
        finish(early);
    }
    // Resident, the change at start reads nothing ahead.
    ini.WriteBool("Option", "Random", false);
    EarlyStart resident = startEarly(false);
    EXPECT_FALSE(resident.prefetch);
    finish(resident);
}

}  // namespace
