#pragma once

#include "picture/JpegDecoder.h"

#include <QSize>
#include <QString>

#include <exception>
#include <memory>
#include <thread>

namespace tesselvane {

// A JPEG picture that is sure to be loaded soon, read on a thread of its own meanwhile: the
// program starts one for the change it makes at start, before its windows (and the GUI
// libraries) are there. Needs nothing of the GUI libraries itself.
class JpegPrefetch {
public:
    // Starts reading `path`, stretched to `stretchTo` when that is given.
    JpegPrefetch(QString path, QSize stretchTo);
    ~JpegPrefetch();  // waits for the reading to end
    JpegPrefetch(const JpegPrefetch&) = delete;
    JpegPrefetch& operator=(const JpegPrefetch&) = delete;

    const QString& path() const { return path_; }
    QSize stretchTo() const { return stretchTo_; }

    // Waits for the picture; raises the error reading it raised. Once only.
    DecodedJpeg take();

private:
    QString path_;
    QSize stretchTo_;
    DecodedJpeg picture_;
    std::exception_ptr error_;
    std::thread reader_;
};

// The picture read ahead for the program; only one at a time, a new one replaces the last.
// JpegCodec.h's takePrefetchedJpeg hands it to the image host.
void prefetchJpeg(std::unique_ptr<JpegPrefetch> prefetch);
void prefetchJpeg(const QString& path, QSize stretchTo);

// The one read ahead, now the caller's; nullptr when there is none.
std::unique_ptr<JpegPrefetch> takePrefetch();

}  // namespace tesselvane
