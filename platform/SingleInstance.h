#pragma once

#include <QString>

namespace tesselvane {

// What the named mutex hTesselInst was: held by the one running copy of the program. An
// exclusive lock on $XDG_RUNTIME_DIR/hTesselInst.lock (a private folder under the temporary
// folder when that is unset), taken in one step, so two copies started together cannot both
// win. The system drops it when the process ends, however it ends.
class SingleInstance {
public:
    SingleInstance();
    ~SingleInstance();  // releases it
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    // False when another copy holds it.
    bool isFirst() const { return fd_ >= 0; }
    static QString lockFile();

private:
    int fd_ = -1;
};

}  // namespace tesselvane
