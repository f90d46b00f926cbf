#pragma once

#include <QString>

namespace tesselvane {

// What the named mutex hTesselInst was: held by the one running copy of the program. An
// exclusive lock on hTesselInst.lock in the user's runtime folder, taken in one step, so two
// copies started together cannot both win. The system drops it when the process ends,
// however it ends.
class SingleInstance {
public:
    SingleInstance();
    ~SingleInstance();  // releases it
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    // False when another copy holds it. A lock that cannot be made at all (no runtime folder
    // to write in) stops no one: the program runs, unguarded, rather than not at all.
    bool isFirst() const { return !heldByAnother_; }
    // The user's runtime folder: $XDG_RUNTIME_DIR, or Qt's private stand-in for it; empty
    // when there is none that only this user can write to.
    static QString runtimeFolder();
    static QString lockFile();
    // Where the running copy listens for a second start (RunningCopyListener).
    static QString requestSocket();

private:
    int fd_ = -1;
    bool heldByAnother_ = false;
};

}  // namespace tesselvane
