#include "platform/SingleInstance.h"

#include <QDir>
#include <QFile>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tesselvane {

QString SingleInstance::lockFile() {
    QString folder = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (folder.isEmpty() || !QDir::isAbsolutePath(folder)) {
        // A folder of our own: in a shared temporary folder anyone could otherwise take our
        // lock file's name first.
        folder = QDir::tempPath() + QStringLiteral("/tesselvane-") + QString::number(::getuid());
        ::mkdir(QFile::encodeName(folder).constData(), 0700);
    }
    return folder + QStringLiteral("/hTesselInst.lock");
}

SingleInstance::SingleInstance() {
    const int fd =
        ::open(QFile::encodeName(lockFile()).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0)
        return;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return;
    }
    fd_ = fd;
}

SingleInstance::~SingleInstance() {
    if (fd_ >= 0)
        ::close(fd_);  // closing the last descriptor releases the lock
}

}  // namespace tesselvane
