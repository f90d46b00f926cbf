#pragma once

#include <cstdint>
#include <system_error>
#include <thread>

namespace tesselvane {

// Runs `work(first, last)` over the rows [0, rows): for a screen-sized picture, in two halves
// on two threads, which halves the wait on a machine with a core to spare. Small pictures,
// one core or no thread to be had: all on the calling thread.
template <class Work>
void forRowsInParallel(std::int64_t rows, std::int64_t pixelsPerRow, Work work) {
    constexpr std::int64_t kWorthAThread = 1 << 20;  // pixels
    if (rows < 2 || rows * pixelsPerRow < kWorthAThread ||
        std::thread::hardware_concurrency() < 2) {
        work(std::int64_t{0}, rows);
        return;
    }
    const std::int64_t half = rows / 2;
    std::thread other;
    try {
        other = std::thread([&] { work(half, rows); });
    } catch (const std::system_error&) {
        work(std::int64_t{0}, rows);
        return;
    }
    work(std::int64_t{0}, half);
    other.join();
}

}  // namespace tesselvane
