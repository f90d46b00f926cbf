#include "RunProcess.h"

#include <QProcess>

#include <unistd.h>

namespace tesselvane::test {

QString builtProgramFolder() {
    return QStringLiteral(TESSELVANE_TEST_BIN_DIR "/");
}

namespace {

ProcessResult runProgram(const QString& program, const QStringList& arguments,
                         const QByteArray& input, int timeoutMs, const QProcessEnvironment& extra) {
    const QString name = program.section(u'/', -1);
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const QString& key : extra.keys())
        env.insert(key, extra.value(key));
    process.setProcessEnvironment(env);
    process.start(program, arguments);
    ProcessResult result;
    if (!process.waitForStarted(10000)) {
        result.err = "cannot start " + name.toUtf8();
        return result;
    }
    process.write(input);
    process.closeWriteChannel();
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished();
        result.crashed = true;
    }
    result.out = process.readAllStandardOutput();
    result.err = process.readAllStandardError();
    result.crashed = result.crashed || process.exitStatus() == QProcess::CrashExit;
    result.exitCode = process.exitCode();
    return result;
}

}  // namespace

ProcessResult runBuiltProgram(const QString& name, const QStringList& arguments,
                              const QByteArray& input, int timeoutMs,
                              const QProcessEnvironment& extra) {
    return runProgram(builtProgramFolder() + name, arguments, input, timeoutMs, extra);
}

std::optional<ProcessResult> runBuiltProgramUnprivileged(const QString& name,
                                                         const QStringList& arguments) {
    if (::geteuid() != 0)
        return runBuiltProgram(name, arguments);
    const QStringList asNobody = {QStringLiteral("--reuid=65534"), QStringLiteral("--regid=65534"),
                                  QStringLiteral("--clear-groups")};
    if (runProgram(QStringLiteral("setpriv"), asNobody + QStringList{QStringLiteral("true")}, {},
                   10000, {})
            .exitCode != 0) {
        return std::nullopt;
    }
    return runProgram(QStringLiteral("setpriv"),
                      asNobody + QStringList{builtProgramFolder() + name} + arguments, {}, 60000,
                      {});
}

}  // namespace tesselvane::test
