#pragma once

#include <QByteArray>
#include <QList>

#include <cstddef>
#include <cstdint>

namespace tesselvane {

// What the program and its plug-in helper process say to each other: one message per packet
// of a SOCK_SEQPACKET socket pair, with at most one descriptor (a picture in shared memory, or
// the file a decoder is asked about) passed beside it.
enum class PluginCall : std::uint32_t {
    SpiInfo = 1,     // path -> result 0 and description/pattern pairs, or -1
    SpiIsSupported,  // path, offset, the file's descriptor -> IsSupported's answer
    SpiDecode,       // path, offset, and a screen's width, height and fit style when the
                     // picture is to be fitted to it -> 0 with the picture's memfd and
                     // layout (fitted when asked), or the reason
    BpiInfo,         // path -> result 0 and the four info texts, or -1
    BpiExecute,      // path, window, memfd of a packed DIB, the plug-in's place in this
                     // change's run -> 0 with the resulting DIB's memfd,
                     // or 0 and kPluginUnchanged in number[1] with no memfd
    BpiSetting,      // path, window, memfd of a packed DIB or none -> SettingPlugIn's answer
};

// Decode and execute answers besides success.
enum PluginAnswer : std::int32_t {
    PluginDeclined = 1,    // the plug-in gave no picture: as if no reader took the file
    PluginBadPicture = 2,  // what it gave is not a picture; `text` says why
    PluginNoMemory = 3,
};

// An executing plug-in's answer when it handed the picture back as it came.
inline constexpr std::int64_t kPluginUnchanged = 1;

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
    int fd_ = -1;
    unsigned char* data_ = nullptr;
    std::size_t size_ = 0;
};

}  // namespace tesselvane
