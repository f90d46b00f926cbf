// For now the program loads its options, says where they live, saves them and ends.

#include "ERegistryException.h"
#include "Options.h"
#include "RegIni.h"
#include "RegistryStore.h"

#include <QCoreApplication>
#include <QTextStream>

using namespace tesselvane;

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Tesselvane"));
    QTextStream out(stdout);
    QTextStream err(stderr);
    try {
        RegistryStore store(RegistryStore::defaultPath());
        RegIni ini(store);
        LoadOptions(ini);
        out << "Settings store: " << store.path() << Qt::endl;
        SaveOptions(ini);
    } catch (const ERegistryException& e) {
        err << "Tesselvane: " << e.message() << Qt::endl;
        return 1;
    } catch (const StoreError& e) {
        err << "Tesselvane: " << e.message() << Qt::endl;
        return 1;
    }
    return 0;
}
