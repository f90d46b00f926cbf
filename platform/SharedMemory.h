#pragma once

#include <cstddef>

namespace tesselvane {

// A block of shared memory: written once by one side, mapped read-only by the other.
class SharedBlock {
public:
    SharedBlock() = default;
    ~SharedBlock();
    SharedBlock(SharedBlock&& other) noexcept;
    SharedBlock& operator=(SharedBlock&& other) noexcept;

    // A new memfd holding `size` bytes from the given parts; an invalid block when memory is
    // short.
    static SharedBlock copyOf(const void* first, std::size_t firstSize,
                              const void* second = nullptr, std::size_t secondSize = 0);
    // A new memfd of `size` bytes mapped for writing; sealed() hands it over when filled.
    static SharedBlock writable(std::size_t size);
    // Ends the writing view and seals the block; its descriptor (the caller's) or -1.
    int sealed();
    // Maps `fd` (taken over), checking that it is sealed against shrinking and holds at least
    // `size` bytes. A private mapping may be written to: the pages written become this
    // process's own.
    static SharedBlock map(int fd, std::size_t size, bool privateCopy = false);

    bool isValid() const { return fd_ >= 0; }
    int fd() const { return fd_; }
    std::size_t size() const { return size_; }
    const unsigned char* data() const { return data_; }
    unsigned char* data() { return data_; }

private:
    // The block of `fd` (taken over) mapped at `data`; invalid, `fd` closed, when the mapping
    // failed.
    static SharedBlock holding(int fd, void* data, std::size_t size);

    int fd_ = -1;
    unsigned char* data_ = nullptr;
    std::size_t size_ = 0;
};

}  // namespace tesselvane
