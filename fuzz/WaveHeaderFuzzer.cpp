// The .wav header reader: any bytes give a header whose numbers make sense, or none.

#include "platform/WaveFile.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    if (const auto info = tesselvane::readWaveInfo(bytes)) {
        if (info->channels <= 0 || info->sampleRate <= 0 || info->dataBytes < 0 ||
            info->durationMs < 0)
            std::abort();
    }
    return 0;
}
