#pragma once

#include <QByteArray>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

#include <optional>

namespace tesselvane::test {

struct ProcessResult {
    int exitCode = -1;
    bool crashed = false;
    QByteArray out;
    QByteArray err;
    QString outText() const { return QString::fromUtf8(out); }
    QString errText() const { return QString::fromUtf8(err); }
};

// Runs a program of the build (by name, from the build's bin folder) in the test's
// environment, feeding `input` on standard input, and waits up to `timeoutMs`.
ProcessResult runBuiltProgram(const QString& name, const QStringList& arguments,
                              const QByteArray& input = {}, int timeoutMs = 60000,
                              const QProcessEnvironment& extra = {});

// As runBuiltProgram; where the test runs as root, the program runs as the user "nobody", so
// that file permissions hold for it. nullopt when that user cannot be taken.
std::optional<ProcessResult> runBuiltProgramUnprivileged(const QString& name,
                                                         const QStringList& arguments);

// The build's bin folder, where programs, plug-ins and helpers are, with a trailing "/".
QString builtProgramFolder();

}  // namespace tesselvane::test
