// The audio stack (Qt Multimedia and the sound server's libraries under it) in a module of
// its own, loaded on the first sound: a resident program that never plays one stays small
// and starts fast.

#include <QAudioDevice>
#include <QEventLoop>
#include <QMediaDevices>
#include <QSoundEffect>
#include <QString>
#include <QTimer>
#include <QUrl>

extern "C" __attribute__((visibility("default"))) void tesselvane_play_wave(const char* path,
                                                                            long long waitMs) {
    if (!path)
        return;
    // WORKAROUND: without an audio output Qt reports a sound as playing forever.
    if (QMediaDevices::audioOutputs().isEmpty())
        return;

    QSoundEffect effect;
    QEventLoop loop;
    QObject::connect(&effect, &QSoundEffect::playingChanged, &loop, [&] {
        if (!effect.isPlaying())
            loop.quit();
    });
    QObject::connect(&effect, &QSoundEffect::statusChanged, &loop, [&] {
        if (effect.status() == QSoundEffect::Error)
            loop.quit();
        if (effect.status() == QSoundEffect::Ready && !effect.isPlaying())
            effect.play();
    });
    QTimer limit;
    limit.setSingleShot(true);
    QObject::connect(&limit, &QTimer::timeout, &loop, &QEventLoop::quit);
    limit.start(static_cast<int>(waitMs));
    effect.setSource(QUrl::fromLocalFile(QString::fromUtf8(path)));
    if (effect.status() == QSoundEffect::Error)
        return;
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    effect.stop();
}
