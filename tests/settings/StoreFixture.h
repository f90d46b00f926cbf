#pragma once

#include "RegIni.h"
#include "RegistryStore.h"
#include "TestFolders.h"

#include <gtest/gtest.h>

#include <memory>

namespace tesselvane::test {

// A fresh store in the test's own folders with the program's key opened on it.
class StoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        store = std::make_unique<RegistryStore>(RegistryStore::defaultPath());
        ini = std::make_unique<RegIni>(*store);
    }

    // Puts a value of any type in by hand, as tesselvane-reg would.
    void putRaw(const QString& section, const RegValue& value) {
        store->setValue(ini->SectionPath(section), value);
    }
    void put(const QString& section, const QString& ident, const QString& text) {
        putRaw(section, RegValue::text(ident, text));
    }

    std::unique_ptr<RegistryStore> store;
    std::unique_ptr<RegIni> ini;
};

// The message of the SettingsError that `f` raises; empty when it raises none.
template <class F>
QString registryErrorOf(F&& f) {
    try {
        f();
    } catch (const SettingsError& e) {
        return e.message();
    }
    return {};
}

}  // namespace tesselvane::test
