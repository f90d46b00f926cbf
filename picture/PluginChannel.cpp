#include "picture/PluginChannel.h"

#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
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

}  // namespace tesselvane
