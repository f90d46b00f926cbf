#pragma once

#include "platform/DesktopBackend.h"

#include <QList>

#include <memory>

namespace tesselvane::test {

// A desktop that only remembers what it was asked to show.
class RecordingDesktop : public DesktopBackend {
public:
    struct Call {
        QString file;
        QSize pictureSize;
        WallpaperStyle style;
        QColor background;
        bool persist;
    };

    explicit RecordingDesktop(std::shared_ptr<QList<Call>> calls) : calls_(std::move(calls)) {}
    QString name() const override { return QStringLiteral("recording"); }
    void apply(const QString& file, const QImage& picture, WallpaperStyle style,
               const QColor& background, bool persist) override {
        if (failWith)
            throw DesktopError(*failWith);
        calls_->append({file, picture.size(), style, background, persist});
    }

    std::optional<QString> failWith;

private:
    std::shared_ptr<QList<Call>> calls_;
};

}  // namespace tesselvane::test
