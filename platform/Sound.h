#pragma once

#include <QString>

#include <functional>

namespace tesselvane {

// Plays a .wav file and returns when it has ended. A file that cannot be played, or a machine
// without an audio output, gives silence at once; nothing is reported. Runs a local event
// loop while the sound plays, bounded by the sound's length plus a margin.
void playSoundSync(const QString& file);

// Told of every sound asked for, before it plays; for tests, which have no loudspeaker.
void setSoundObserver(std::function<void(const QString& file)> observer);

}  // namespace tesselvane
