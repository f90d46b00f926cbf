// An answer of the plug-in helper as the program reads it: the bytes go down a socket pair as
// one packet (a message, or something that is none), and what follows the first 256 bytes
// becomes the shared block the answer describes. A picture comes out only when it lies wholly
// in its block: every row is read to its end.

#include "picture/PluginChannel.h"
#include "picture/PluginMessages.h"
#include "picture/SharedPicture.h"

#include <QtGlobal>

#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tesselvane;
    const std::size_t packetSize = std::min<std::size_t>(size, 256);
    int pair[2];
    if (::socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, pair) != 0)
        std::abort();
    const SharedBlock block = SharedBlock::copyOf(data + packetSize, size - packetSize);
    // An empty packet is the other side gone.
    if (packetSize > 0)
        (void)::send(pair[0], data, packetSize, 0);
    ::close(pair[0]);
    PluginMessage message;
    int fd = -1;
    if (receivePluginMessage(pair[1], message, &fd)) {
        if (fd >= 0)
            std::abort();  // none was sent
        // Read as each answer the program takes; a decode's picture from the block.
        (void)SpiInfoAnswer::from(message);
        (void)BpiInfoAnswer::from(message);
        (void)BpiExecuteAnswer::from(message);
        const std::optional<SpiDecodeAnswer> answer = SpiDecodeAnswer::from(message);
        std::optional<QList<QRgb>> palette;
        const QImage image =
            answer && answer->outcome == PluginOutcome::Done
                ? sharedPicture(answer->picture, block.isValid() ? ::dup(block.fd()) : -1, &palette)
                : QImage();
        volatile std::uint8_t sum = 0;
        for (int y = 0; y < image.height(); ++y) {
            const uchar* row = image.constScanLine(y);
            for (qsizetype x = 0; x < image.bytesPerLine(); ++x)
                sum = sum + row[x];
        }
    }
    ::close(pair[1]);
    return 0;
}
