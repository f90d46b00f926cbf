#include "picture/PluginChannel.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>
#include <vector>

namespace tesselvane {

namespace {

struct WireHeader {
    std::uint32_t call;
    std::int32_t result;
    std::int64_t number[4];
    std::uint32_t textSize;
};

constexpr std::size_t kMaxPacket = sizeof(WireHeader) + kMaxPluginMessageText;

}  // namespace

QList<QByteArray> PluginMessage::fields() const {
    // Each field ends in a NUL, so the split leaves one empty piece after the last.
    QList<QByteArray> parts = text.split('\0');
    parts.removeLast();
    return parts;
}

void PluginMessage::addField(const QByteArray& field) {
    text += field;
    text += '\0';
}

bool sendPluginMessage(int socket, const PluginMessage& message, int passFd) {
    if (static_cast<std::size_t>(message.text.size()) > kMaxPluginMessageText)
        return false;
    WireHeader header{};
    header.call = static_cast<std::uint32_t>(message.call);
    header.result = message.result;
    std::memcpy(header.number, message.number, sizeof header.number);
    header.textSize = static_cast<std::uint32_t>(message.text.size());
    iovec parts[2] = {{&header, sizeof header},
                      {const_cast<char*>(message.text.constData()),
                       static_cast<std::size_t>(message.text.size())}};
    msghdr msg{};
    msg.msg_iov = parts;
    msg.msg_iovlen = 2;
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(int))] = {};
    if (passFd >= 0) {
        msg.msg_control = control;
        msg.msg_controllen = sizeof control;
        cmsghdr* c = CMSG_FIRSTHDR(&msg);
        c->cmsg_level = SOL_SOCKET;
        c->cmsg_type = SCM_RIGHTS;
        c->cmsg_len = CMSG_LEN(sizeof(int));
        std::memcpy(CMSG_DATA(c), &passFd, sizeof(int));
    }
    ssize_t sent;
    do {
        sent = ::sendmsg(socket, &msg, MSG_NOSIGNAL);
    } while (sent < 0 && errno == EINTR);
    return sent == static_cast<ssize_t>(sizeof header + message.text.size());
}

bool receivePluginMessage(int socket, PluginMessage& message, int* fd) {
    *fd = -1;
    std::vector<char> packet(kMaxPacket);
    iovec part{packet.data(), packet.size()};
    msghdr msg{};
    msg.msg_iov = &part;
    msg.msg_iovlen = 1;
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(int) * 4)] = {};
    msg.msg_control = control;
    msg.msg_controllen = sizeof control;
    ssize_t got;
    do {
        got = ::recvmsg(socket, &msg, MSG_CMSG_CLOEXEC);
    } while (got < 0 && errno == EINTR);
    // Every descriptor that came is ours to close, whatever else is wrong.
    int received = -1;
    for (cmsghdr* c = CMSG_FIRSTHDR(&msg); c; c = CMSG_NXTHDR(&msg, c)) {
        if (c->cmsg_level != SOL_SOCKET || c->cmsg_type != SCM_RIGHTS)
            continue;
        const std::size_t count = (c->cmsg_len - CMSG_LEN(0)) / sizeof(int);
        for (std::size_t i = 0; i < count; ++i) {
            int one;
            std::memcpy(&one, CMSG_DATA(c) + i * sizeof(int), sizeof one);
            if (received < 0)
                received = one;
            else
                ::close(one);
        }
    }
    WireHeader header{};
    const bool whole = got >= static_cast<ssize_t>(sizeof header) &&
                       (msg.msg_flags & (MSG_TRUNC | MSG_CTRUNC)) == 0;
    if (whole)
        std::memcpy(&header, packet.data(), sizeof header);
    if (!whole || header.textSize != static_cast<std::size_t>(got) - sizeof header) {
        if (received >= 0)
            ::close(received);
        return false;
    }
    message.call = static_cast<PluginCall>(header.call);
    message.result = header.result;
    std::memcpy(message.number, header.number, sizeof header.number);
    message.text = QByteArray(packet.data() + sizeof header, header.textSize);
    *fd = received;
    return true;
}

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
    if (data == MAP_FAILED) {
        ::close(fd);
        return block;
    }
    block.fd_ = fd;
    block.data_ = static_cast<unsigned char*>(data);
    block.size_ = size;
    return block;
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
