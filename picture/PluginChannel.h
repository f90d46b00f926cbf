#pragma once

#include "platform/SharedMemory.h"

#include <QByteArray>
#include <QList>

#include <cstddef>
#include <cstdint>

namespace tesselvane {

// What the program and its plug-in helper process say to each other: one message per packet
// of a SOCK_SEQPACKET socket pair, with at most one descriptor (a picture in shared memory, or
// the file a decoder is asked about) passed beside it. What each call carries, and how it is
// written in a message, is in PluginMessages.h.
enum class PluginCall : std::uint32_t {
    SpiInfo = 1,
    SpiIsSupported,
    SpiDecode,
    BpiInfo,
    BpiExecute,
    BpiSetting,
};

// The wire form of every request and answer.
struct PluginMessage {
    PluginCall call = PluginCall::SpiInfo;
    std::int32_t result = 0;
    std::int64_t number[4] = {};
    // Fields, each ending in a NUL byte.
    QByteArray text;

    QList<QByteArray> fields() const;
    void addField(const QByteArray& field);
};

// The longest text a message carries; paths and plug-in texts are far shorter.
inline constexpr std::size_t kMaxPluginMessageText = 60 * 1024;

// False when the socket is closed or broken, or the message is too long.
bool sendPluginMessage(int socket, const PluginMessage& message, int passFd = -1);
// False when the other side has gone or sent something that is no message. `*fd` takes the
// descriptor that came along (or -1); the caller owns it.
bool receivePluginMessage(int socket, PluginMessage& message, int* fd);

}  // namespace tesselvane
