#pragma once

#include <QImage>
#include <QSize>
#include <QString>

#include <optional>

namespace tesselvane {

// A JPEG picture that is sure to be loaded soon, read on a second thread meanwhile: the
// program starts one for the change it makes at start, while its windows are being built.
// Only one at a time; a new one replaces the last.
void PrefetchJpeg(const QString& path, QSize stretchTo);

// The prefetched picture, when it is the one asked for (same file, same size); waits for it
// to be ready. Raises the error reading it raised. nullopt when there is none for this file,
// and then what there was is dropped.
std::optional<QImage> TakePrefetchedJpeg(const QString& path, QSize stretchTo);

}  // namespace tesselvane
