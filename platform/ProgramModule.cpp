#include "platform/ProgramModule.h"

#include "platform/ProgramPaths.h"

#include <QFile>

#include <dlfcn.h>

namespace tesselvane {

void* loadProgramModuleSymbol(const char* entry, QString* error) {
    const QString path = programFolder() + QStringLiteral("tesselvane-main.so");
    // Never unloaded: the process ends from inside it.
    void* module = ::dlopen(QFile::encodeName(path).constData(), RTLD_LAZY | RTLD_GLOBAL);
    void* symbol = module ? ::dlsym(module, entry) : nullptr;
    if (!symbol && error)
        *error = QString::fromLocal8Bit(::dlerror());
    return symbol;
}

}  // namespace tesselvane
