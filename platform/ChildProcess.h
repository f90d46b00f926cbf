#pragma once

#include <QByteArray>
#include <QList>

namespace tesselvane {

// A child process that talks to this one over a socket pair. It leads a process group of its
// own, which ends with it: whatever it starts cannot outlive it.
struct SocketChild {
    int socket = -1;  // this process's end
    int pid = -1;
    int pidfd = -1;  // readable once the child has ended, whoever still holds the socket
};

// Starts `program` with `arguments`, its end of a fresh SOCK_SEQPACKET socket pair at
// descriptor `childFd`; every other descriptor of this process stays closed to it. An invalid
// child (socket -1) when it cannot be started.
SocketChild spawnWithSocket(const QByteArray& program, const QList<QByteArray>& arguments,
                            int childFd);

// Closes this end and reaps the child, ended first with SIGKILL when `kill`; whatever else is
// left of its process group is ended with it. `child` is invalid afterwards.
void endChild(SocketChild& child, bool kill);

}  // namespace tesselvane
