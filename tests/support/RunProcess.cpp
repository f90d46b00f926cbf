#include "RunProcess.h"

#include <QProcess>

namespace tesselvane::test {

QString builtProgramFolder() {
    return QStringLiteral(TESSELVANE_TEST_BIN_DIR "/");
}

ProcessResult runBuiltProgram(const QString& name, const QStringList& arguments,
                              const QByteArray& input, int timeoutMs,
                              const QProcessEnvironment& extra) {
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const QString& key : extra.keys())
        env.insert(key, extra.value(key));
    process.setProcessEnvironment(env);
    process.start(builtProgramFolder() + name, arguments);
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

}  // namespace tesselvane::test
