#include "slide/SlideReadAhead.h"

namespace tesselvane {

SlideReadAhead::SlideReadAhead() = default;

SlideReadAhead::~SlideReadAhead() {
    {
        const std::lock_guard lock(mutex_);
        stop_ = true;
    }
    wake_.notify_one();
    if (worker_.joinable())
        worker_.join();
}

void SlideReadAhead::prepare(const ReadAheadKey& key, Read read) {
    {
        const std::lock_guard lock(mutex_);
        dropLocked();
        key_ = key;
        read_ = std::move(read);
        state_ = State::Queued;
        if (!worker_.joinable())
            worker_ = std::thread([this] { run(); });
    }
    wake_.notify_one();
}

std::optional<QImage> SlideReadAhead::take(const ReadAheadKey& key) {
    std::unique_lock lock(mutex_);
    std::optional<QImage> taken;
    if (key_ && *key_ == key) {
        done_.wait(lock, [this] { return state_ != State::Queued; });
        if (state_ == State::Ready)
            taken = std::move(result_);
    }
    dropLocked();
    return taken;
}

void SlideReadAhead::drop() {
    const std::lock_guard lock(mutex_);
    dropLocked();
}

std::optional<ReadAheadKey> SlideReadAhead::prepared() const {
    const std::lock_guard lock(mutex_);
    return key_;
}

void SlideReadAhead::dropLocked() {
    // A read under way finishes, but its picture is no longer wanted.
    ++generation_;
    key_.reset();
    read_ = nullptr;
    result_ = QImage();
    state_ = State::None;
}

void SlideReadAhead::run() {
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return stop_ || read_; });
        if (stop_)
            return;
        const Read read = std::exchange(read_, nullptr);
        const std::uint64_t generation = generation_;
        lock.unlock();
        std::optional<QImage> picture;
        try {
            picture = read();
        } catch (...) {
            // Read again on the show's own thread, which reports what went wrong.
        }
        lock.lock();
        if (generation == generation_) {
            state_ = picture ? State::Ready : State::Failed;
            result_ = picture ? std::move(*picture) : QImage();
            done_.notify_all();
        }
    }
}

}  // namespace tesselvane
