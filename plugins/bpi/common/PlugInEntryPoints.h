#pragma once

// The three exported functions, alike for every shipped extension plug-in: a plug-in
// describes itself, names its settings and their dialog, and says how it processes a
// picture; TESSELVANE_BPI_PLUGIN exports it.

#include "PackedDib.h"
#include "PlugInInfo.h"
#include "SettingsDialog.h"

#include "tesselvane_bpi.h"

namespace tesselvane::bpi {

// The settings dialog over what is stored under `key`; what the user accepts is written back.
template <class Settings, class Dialog>
int32_t editSettings(uintptr_t window, const char* key) {
    if (!canShowDialog())
        return -1;
    Dialog dialog(Settings::read(key), hostWindow(window));
    if (dialog.exec() != QDialog::Accepted)
        return 0;
    return dialog.settings().write(key) ? 0 : -1;
}

// A plug-in that is switched off leaves the picture alone; one that is on gets it only once
// the block has been checked. `process(settings, picture, dib)` may replace `*dib`.
template <class Settings, class Process>
int32_t processPicture(const char* key, void** dib, Process process) {
    if (dib == nullptr)
        return -1;
    const Settings settings = Settings::read(key);
    if (!settings.enabled)
        return 0;
    const PackedDib picture = PackedDib::inspect(*dib);
    if (!picture.valid())
        return -1;
    return process(settings, picture, dib);
}

}  // namespace tesselvane::bpi

// Defines the exported functions of a plug-in described by `description`, whose `Settings`
// (with `read`, `write` and `enabled`) are edited in `Dialog` and applied by `process`.
#define TESSELVANE_BPI_PLUGIN(description, Settings, Dialog, process)            \
    extern "C" int32_t GetPlugInInfo(int32_t infono, char* buf) {                \
        return ::tesselvane::bpi::answerPlugInInfo(description, infono, buf);    \
    }                                                                            \
    extern "C" int32_t SettingPlugIn(uintptr_t window, const char* key, void*) { \
        return ::tesselvane::bpi::editSettings<Settings, Dialog>(window, key);   \
    }                                                                            \
    extern "C" int32_t ExecutePlugIn(uintptr_t, const char* key, void** dib) {   \
        return ::tesselvane::bpi::processPicture<Settings>(key, dib, process);   \
    }
