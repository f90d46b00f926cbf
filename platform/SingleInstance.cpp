#include "platform/SingleInstance.h"
#include "platform/InterfaceLanguage.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace tesselvane {

QString SingleInstance::runtimeFolder() {
    const QString folder = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!folder.isEmpty() && QDir::isAbsolutePath(folder))
        return folder;
    // Qt makes a folder of this user's under the temporary folder, and refuses one that
    // another user made first (who could otherwise take our lock's name).
    return QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
}

QString SingleInstance::lockFile() {
    const QString folder = runtimeFolder();
    return folder.isEmpty() ? QString() : folder + QStringLiteral("/hTesselInst.lock");
}

QString SingleInstance::requestSocket() {
    const QString folder = runtimeFolder();
    return folder.isEmpty() ? QString() : folder + QStringLiteral("/hTesselInst.socket");
}

SingleInstance::SingleInstance() {
    const QString path = lockFile();
    const int fd = path.isEmpty() ? -1
                                  : ::open(QFile::encodeName(path).constData(),
                                           O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) {
        std::fprintf(
            stderr, "tesselvane: %s\n",
            qPrintable(interfaceText("SingleInstance", "二重起動を防ぐロック %1 を作れません (%2)")
                           .arg(path, QString::fromLocal8Bit(
                                          std::strerror(path.isEmpty() ? ENOENT : errno)))));
        return;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        heldByAnother_ = errno == EWOULDBLOCK;
        if (!heldByAnother_)
            std::fprintf(stderr, "tesselvane: %s\n",
                         qPrintable(interfaceText("SingleInstance", "ロック %1 を取れません (%2)")
                                        .arg(path, QString::fromLocal8Bit(std::strerror(errno)))));
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
