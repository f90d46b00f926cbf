#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace tesselvane::test {

// Each test runs with fresh temporary XDG_CONFIG_HOME, XDG_DATA_HOME, XDG_RUNTIME_DIR and
// HOME, all inside one folder that is removed when the test ends. These name them.
QString testRoot();       // with a trailing "/"
QString scratchFolder();  // testRoot() + "scratch/": for a test's own files

// A file's bytes; empty when it cannot be read (not there yet, say).
QByteArray readFile(const QString& path);
// The lines of a log the test plug-ins append to, which is removed once read, so that the next
// call sees only what came after; none when there is no log yet.
QStringList takeLogLines(const QString& path);
// Writes `content` as the whole file; a failure to open it fails the test.
void writeFile(const QString& path, const QByteArray& content);

// Installs the listener that gives every test of this binary its fresh folders.
void installFreshFoldersForEveryTest();

}  // namespace tesselvane::test
