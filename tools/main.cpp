// tesselvane-reg: reads and changes the per-user settings store from the command line.

#include "platform/RegistryStore.h"
#include "tools/RegCommand.h"

#include <QCoreApplication>
#include <QTextStream>

#include <cstdio>

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QTextStream in(stdin);
    QTextStream out(stdout);
    QTextStream err(stderr);
    const QStringList arguments = QCoreApplication::arguments().mid(1);
    int status = 1;
    try {
        status = tesselvane::runRegCommand(arguments, tesselvane::RegistryStore::defaultPath(), in,
                                           out, err);
    } catch (const tesselvane::StoreError& e) {
        err << "ERROR: " << e.message() << Qt::endl;
    }
    out.flush();
    return status;
}
