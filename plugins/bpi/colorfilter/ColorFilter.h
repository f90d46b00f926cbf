#pragma once

// The colour filters, exact to the pixel so that pictures look the same on every machine.

#include "PackedDib.h"

#include <cstdint>

namespace tesselvane::bpi {

enum class FilterMode { Grayscale = 0, Sepia = 1 };

struct FilterSettings {
    // Off until the user turns it on: it ships in the program folder, where the host runs
    // every extension plug-in it finds.
    bool enabled = false;
    FilterMode mode = FilterMode::Sepia;

    static FilterSettings read(const char* hostKey);
    bool write(const char* hostKey) const;
};

// Filters one blue, green, red triple in place.
void filterColor(FilterMode mode, uint8_t* bgr);

// Filters the picture in place: the colour table of an 8-bit picture (its pixels stay the
// same indices), the pixels of a 24- or 32-bit one (alpha stays).
void filterPicture(FilterMode mode, const PackedDib& dib);

}  // namespace tesselvane::bpi
