// The colour filter extension plug-in: turns the wallpaper grey or sepia.

#include "ColorFilter.h"
#include "ColorFilterDialog.h"
#include "PackedDib.h"
#include "PlugInInfo.h"
#include "SettingsDialog.h"

#include "tesselvane_bpi.h"

namespace {

using namespace tesselvane::bpi;

// Before the calendar, so that what is drawn over the picture keeps its chosen colours.
constexpr PlugInDescription kDescription{"色フィルター", 100, 10};

}  // namespace

extern "C" int32_t GetPlugInInfo(int32_t infono, char* buf) {
    return answerPlugInInfo(kDescription, infono, buf);
}

extern "C" int32_t SettingPlugIn(uintptr_t window, const char* key, void*) {
    if (!canShowDialog())
        return -1;
    ColorFilterDialog dialog(FilterSettings::read(key), hostWindow(window));
    if (dialog.exec() != QDialog::Accepted)
        return 0;
    return dialog.settings().write(key) ? 0 : -1;
}

extern "C" int32_t ExecutePlugIn(uintptr_t, const char* key, void** dib) {
    if (dib == nullptr)
        return -1;
    const FilterSettings settings = FilterSettings::read(key);
    if (!settings.enabled)
        return 0;
    const PackedDib picture = PackedDib::inspect(*dib);
    if (!picture.valid())
        return -1;
    filterPicture(settings.mode, picture);
    return 0;
}
