#include "platform/SharedMemory.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <utility>

namespace tesselvane {

SharedBlock::~SharedBlock() {
    if (data_)
        ::munmap(data_, size_);
    if (fd_ >= 0)
        ::close(fd_);
}

SharedBlock::SharedBlock(SharedBlock&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)),
      data_(std::exchange(other.data_, nullptr)),
      size_(std::exchange(other.size_, 0)) {}

SharedBlock& SharedBlock::operator=(SharedBlock&& other) noexcept {
    if (this != &other) {
        SharedBlock old(std::move(*this));
        fd_ = std::exchange(other.fd_, -1);
        data_ = std::exchange(other.data_, nullptr);
        size_ = std::exchange(other.size_, 0);
    }
    return *this;
}

SharedBlock SharedBlock::copyOf(const void* first, std::size_t firstSize, const void* second,
                                std::size_t secondSize) {
    SharedBlock block;
    const std::size_t size = firstSize + secondSize;
    const int fd = ::memfd_create("tesselvane-picture", MFD_CLOEXEC | MFD_ALLOW_SEALING);
    if (fd < 0)
        return block;
    if (size == 0 || ::ftruncate(fd, static_cast<off_t>(size)) != 0) {
        ::close(fd);
        return block;
    }
    // Written by the kernel rather than through a mapping: no page faults one page at a time.
    const auto writeAll = [fd](const void* from, std::size_t length, std::size_t at) {
        const auto* bytes = static_cast<const char*>(from);
        while (length > 0) {
            const ssize_t n = ::pwrite(fd, bytes, length, static_cast<off_t>(at));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                return false;
            bytes += n;
            at += static_cast<std::size_t>(n);
            length -= static_cast<std::size_t>(n);
        }
        return true;
    };
    if ((firstSize && !writeAll(first, firstSize, 0)) ||
        (secondSize && !writeAll(second, secondSize, firstSize))) {
        ::close(fd);
        return block;
    }
    // Sealed, the reader can trust the size: the block can no longer shrink under its mapping.
    ::fcntl(fd, F_ADD_SEALS, F_SEAL_SHRINK | F_SEAL_GROW | F_SEAL_WRITE | F_SEAL_SEAL);
    return map(fd, size);
}

SharedBlock SharedBlock::writable(std::size_t size) {
    SharedBlock block;
    const int fd = ::memfd_create("tesselvane-picture", MFD_CLOEXEC | MFD_ALLOW_SEALING);
    if (fd < 0)
        return block;
    void* data =
        size == 0 || ::ftruncate(fd, static_cast<off_t>(size)) != 0
            ? MAP_FAILED
            : ::mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED | MAP_POPULATE, fd, 0);
    return holding(fd, data, size);
}

int SharedBlock::sealed() {
    if (data_)
        ::munmap(data_, size_);
    data_ = nullptr;
    const int fd = std::exchange(fd_, -1);
    if (fd >= 0 &&
        ::fcntl(fd, F_ADD_SEALS, F_SEAL_SHRINK | F_SEAL_GROW | F_SEAL_WRITE | F_SEAL_SEAL) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

SharedBlock SharedBlock::map(int fd, std::size_t size, bool privateCopy) {
    SharedBlock block;
    if (fd < 0)
        return block;
    struct stat st {};
    const int seals = ::fcntl(fd, F_GET_SEALS);
    if (size == 0 || seals < 0 || (seals & F_SEAL_SHRINK) == 0 || ::fstat(fd, &st) != 0 ||
        st.st_size < 0 || static_cast<std::uint64_t>(st.st_size) < size) {
        ::close(fd);
        return block;
    }
    // Populated at once: the pages are there already, and are read through anyway.
    void* data = privateCopy ? ::mmap(nullptr, size, PROT_READ | PROT_WRITE,
                                      MAP_PRIVATE | MAP_POPULATE, fd, 0)
                             : ::mmap(nullptr, size, PROT_READ, MAP_SHARED | MAP_POPULATE, fd, 0);
    return holding(fd, data, size);
}

SharedBlock SharedBlock::holding(int fd, void* data, std::size_t size) {
    SharedBlock block;
    if (data == MAP_FAILED) {
        ::close(fd);
        return block;
    }
    block.fd_ = fd;
    block.data_ = static_cast<unsigned char*>(data);
    block.size_ = size;
    return block;
}

}  // namespace tesselvane
