// The colour filter extension plug-in: turns the wallpaper grey or sepia.

#include "ColorFilter.h"
#include "ColorFilterDialog.h"
#include "PlugInEntryPoints.h"

#include <QtGlobal>

namespace {

using namespace tesselvane::bpi;

// Before the calendar, so that what is drawn over the picture keeps its chosen colours.
constexpr PlugInDescription kDescription{QT_TRANSLATE_NOOP("PlugInNames", "色フィルター"), 100, 10};

int32_t filter(const FilterSettings& settings, const PackedDib& picture, void**) {
    filterPicture(settings.mode, picture);
    return 0;
}

}  // namespace

TESSELVANE_BPI_PLUGIN(kDescription, FilterSettings, ColorFilterDialog, filter)
