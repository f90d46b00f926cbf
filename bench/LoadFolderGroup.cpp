// load_folder_group FOLDER: stores a folder group on FOLDER in the store of
// $XDG_CONFIG_HOME, loads its picture list once, prints the number of files and the
// milliseconds of LoadPictureList on standard error, and the list on standard output when
// asked with --print.

#include "platform/RegistryStore.h"
#include "settings/Groups.h"
#include "settings/RegIni.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTextStream>

#include <cstdio>

using namespace tesselvane;

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() < 2) {
        std::fprintf(stderr, "usage: load_folder_group FOLDER [--print]\n");
        return 2;
    }
    RegistryStore store(RegistryStore::defaultPath());
    RegIni ini(store);
    SaveGroup(ini, QStringLiteral("Bench"), GroupKind::Folder, args[1], {});

    QElapsedTimer timer;
    timer.start();
    QStringList list;
    LoadPictureList(ini, list, QStringLiteral("Bench"));
    const qint64 ms = timer.elapsed();

    if (args.contains(QStringLiteral("--print"))) {
        QTextStream out(stdout);
        for (const QString& path : list)
            out << path << '\n';
    }
    std::fprintf(stderr, "%lld files, LoadPictureList %lld ms\n",
                 static_cast<long long>(list.size()), static_cast<long long>(ms));
    return 0;
}
