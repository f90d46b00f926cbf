#pragma once

#include <QDateTime>
#include <QImage>
#include <QSize>
#include <QString>

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>

namespace tesselvane {

// What a picture read ahead was read for: the entry, the file as it was on disk, and how it
// is going to be drawn. A picture is only used for exactly the same.
struct ReadAheadKey {
    int index = -1;
    QString file;
    QDateTime modified;
    qint64 bytes = -1;
    int size = 0;   // the show's TSize
    QSize drawnIn;  // the window, where the picture is scaled to it
    friend bool operator==(const ReadAheadKey&, const ReadAheadKey&) = default;
};

// Reads the picture a slide show is going to show next on a worker thread, so that the step
// only swaps pictures. Holds at most one picture: preparing another drops the last.
class SlideReadAhead {
public:
    using Read = std::function<QImage()>;

    SlideReadAhead();
    // Waits for a read under way.
    ~SlideReadAhead();
    SlideReadAhead(const SlideReadAhead&) = delete;
    SlideReadAhead& operator=(const SlideReadAhead&) = delete;

    // Runs `read` on the worker, for `key`.
    void prepare(const ReadAheadKey& key, Read read);
    // The picture read for `key`, waited for while it is being read; nullopt when what was
    // prepared is for something else, or its read raised. Either way nothing is kept.
    std::optional<QImage> take(const ReadAheadKey& key);
    void drop();

    // The key of what is prepared, for tests.
    std::optional<ReadAheadKey> prepared() const;

private:
    enum class State { None, Queued, Ready, Failed };
    void run();
    void dropLocked();

    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable done_;
    std::optional<ReadAheadKey> key_;
    Read read_;
    State state_ = State::None;
    QImage result_;
    std::uint64_t generation_ = 0;
    bool stop_ = false;
    std::thread worker_;  // started at the first prepare
};

}  // namespace tesselvane
