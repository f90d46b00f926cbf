#include "platform/ProgramModule.h"

#include "platform/ProgramPaths.h"

#include <QFile>

#include <dlfcn.h>

namespace tesselvane {

ProgramModuleEntry* loadProgramModule(QString* error) {
    const QString path = programFolder() + QStringLiteral("tesselvane-main.so");
    // Never unloaded: the process ends from inside it.
    void* module = ::dlopen(QFile::encodeName(path).constData(), RTLD_LAZY | RTLD_GLOBAL);
    void* entry = module ? ::dlsym(module, kProgramModuleEntry) : nullptr;
    if (!entry) {
        if (error)
            *error = QString::fromLocal8Bit(::dlerror());
        return nullptr;
    }
    return reinterpret_cast<ProgramModuleEntry*>(entry);
}

}  // namespace tesselvane
