#pragma once

#include <QImage>

namespace tesselvane {

// The packed DIB of a picture (24-bit bottom-up, as the extension plug-ins take it), made on
// a spare thread while the picture was decoded: handing that picture to the plug-ins then
// costs no conversion. One is kept at a time.

// Keeps `dib` (malloc'd; now owned here) as the twin of `picture` as it is now; drops the one
// kept before.
void keepDibTwin(const QImage& picture, void* dib);

// The kept DIB, now the caller's to free, when it is the twin of `picture` unchanged since;
// otherwise nullptr. Either way nothing is kept afterwards.
void* takeDibTwin(const QImage& picture);

}  // namespace tesselvane
