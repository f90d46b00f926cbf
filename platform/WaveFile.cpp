#include "platform/WaveFile.h"

#include <QtEndian>

namespace tesselvane {

std::optional<WaveInfo> readWaveInfo(const QByteArray& head) {
    const auto* p = reinterpret_cast<const uchar*>(head.constData());
    const qint64 size = head.size();
    if (size < 12 || !head.startsWith("RIFF") || head.mid(8, 4) != "WAVE")
        return std::nullopt;
    WaveInfo info;
    int byteRate = 0;
    bool haveFormat = false;
    // Chunks follow one another, each padded to an even length.
    for (qint64 at = 12; at + 8 <= size;) {
        const QByteArray id = head.mid(at, 4);
        const qint64 length = qFromLittleEndian<quint32>(p + at + 4);
        const qint64 body = at + 8;
        if (id == "fmt ") {
            if (length < 16 || body + 16 > size)
                return std::nullopt;
            const int format = qFromLittleEndian<quint16>(p + body);
            info.channels = qFromLittleEndian<quint16>(p + body + 2);
            info.sampleRate = static_cast<int>(qFromLittleEndian<quint32>(p + body + 4));
            byteRate = static_cast<int>(qFromLittleEndian<quint32>(p + body + 8));
            info.bitsPerSample = qFromLittleEndian<quint16>(p + body + 14);
            // PCM, IEEE float, or the extensible form that wraps them.
            if (format != 1 && format != 3 && format != 0xFFFE)
                return std::nullopt;
            if (info.channels <= 0 || info.sampleRate <= 0 || byteRate <= 0)
                return std::nullopt;
            haveFormat = true;
        } else if (id == "data") {
            if (!haveFormat)
                return std::nullopt;
            info.dataBytes = length;
            info.durationMs = length * 1000 / byteRate;
            return info;
        }
        at = body + length + (length & 1);
    }
    return std::nullopt;
}

}  // namespace tesselvane
