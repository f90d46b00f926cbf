#pragma once

#include <QString>

#include <memory>

class QLibrary;

namespace tesselvane {

// A plug-in library loaded privately (its symbols are not offered to other libraries).
class SharedLibrary {
public:
    SharedLibrary();
    ~SharedLibrary();  // unloads
    SharedLibrary(SharedLibrary&&) noexcept;
    SharedLibrary& operator=(SharedLibrary&&) noexcept;

    // False when the file is not a loadable library; errorString() says why.
    bool load(const QString& path);
    void unload();
    bool isLoaded() const;
    QString errorString() const;

    // The address of an exported function, or nullptr when the library has none of that name.
    template <class Function>
    Function* resolve(const char* symbol) const {
        return reinterpret_cast<Function*>(resolveAddress(symbol));
    }

private:
    void (*resolveAddress(const char* symbol) const)();
    std::unique_ptr<QLibrary> library_;
};

}  // namespace tesselvane
