#include "platform/SharedLibrary.h"

#include <QLibrary>

namespace tesselvane {

SharedLibrary::SharedLibrary() = default;
SharedLibrary::~SharedLibrary() {
    unload();
}
SharedLibrary::SharedLibrary(SharedLibrary&&) noexcept = default;
SharedLibrary& SharedLibrary::operator=(SharedLibrary&& other) noexcept {
    if (this != &other) {
        unload();
        library_ = std::move(other.library_);
    }
    return *this;
}

bool SharedLibrary::load(const QString& path) {
    unload();
    library_ = std::make_unique<QLibrary>(path);
    // Everything is bound now, so a plug-in missing a symbol fails at the scan rather than in
    // the middle of a decode. Its symbols stay private to it (QLibrary's default).
    library_->setLoadHints(QLibrary::ResolveAllSymbolsHint);
    return library_->load();
}

void SharedLibrary::unload() {
    if (library_ && library_->isLoaded())
        library_->unload();
}

bool SharedLibrary::isLoaded() const {
    return library_ && library_->isLoaded();
}

QString SharedLibrary::errorString() const {
    return library_ ? library_->errorString() : QString();
}

void (*SharedLibrary::resolveAddress(const char* symbol) const)() {
    if (!isLoaded())
        return nullptr;
    return library_->resolve(symbol);
}

}  // namespace tesselvane
