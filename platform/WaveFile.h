#pragma once

#include <QByteArray>

#include <optional>

namespace tesselvane {

// What the header of a RIFF WAVE file says about its sound.
struct WaveInfo {
    int channels = 0;
    int sampleRate = 0;
    int bitsPerSample = 0;
    qint64 dataBytes = 0;
    qint64 durationMs = 0;
};

// Reads the header of a .wav file (the first chunks of `head`, which may be the whole file or
// only its beginning); nullopt when it is not a playable RIFF WAVE file.
std::optional<WaveInfo> readWaveInfo(const QByteArray& head);

}  // namespace tesselvane
