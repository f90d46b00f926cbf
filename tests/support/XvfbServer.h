#pragma once

#include <QString>

#include <sys/types.h>

namespace tesselvane::test {

// A private X server for one test: Xvfb on a display number it picks itself, so that tests
// running at once never share or collide. Stopped when the object goes.
class XvfbServer {
public:
    XvfbServer(int width = 1024, int height = 768, int depth = 24);
    ~XvfbServer();
    XvfbServer(const XvfbServer&) = delete;
    XvfbServer& operator=(const XvfbServer&) = delete;

    bool isRunning() const { return pid_ > 0; }
    pid_t pid() const { return pid_; }
    // ":N", for DISPLAY; empty when the server did not start.
    const QString& display() const { return display_; }
    // Why it did not start.
    const QString& error() const { return error_; }

    void stop();

private:
    pid_t pid_ = -1;
    QString display_;
    QString error_;
};

}  // namespace tesselvane::test
