#pragma once

#include "TestFolders.h"
#include "platform/RegistryStore.h"
#include "settings/RegIni.h"

#include <gtest/gtest.h>

#include <memory>

namespace tesselvane::test {

// A fresh store in the test's own folders with the program's key opened on it.
class StoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        store_ = std::make_unique<RegistryStore>(RegistryStore::defaultPath());
        ini_ = std::make_unique<RegIni>(*store_);
    }

    // Puts a value of any type in by hand, as tesselvane-reg would.
    void putRaw(const QString& section, const RegValue& value) {
        store_->setValue(ini_->sectionPath(section), value);
    }
    void put(const QString& section, const QString& ident, const QString& text) {
        putRaw(section, RegValue::text(ident, text));
    }

    std::unique_ptr<RegistryStore> store_;
    std::unique_ptr<RegIni> ini_;
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
