#pragma once

#include "platform/DesktopBackend.h"

#include <QList>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

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
        WallpaperFit fit;
        std::vector<QSize> monitorPictureSizes;
    };

    explicit RecordingDesktop(std::shared_ptr<QList<Call>> calls) : calls_(std::move(calls)) {}
    QString name() const override { return QStringLiteral("recording"); }
    void apply(const WallpaperRequest& request) override {
        if (failWith && refuse)
            throw DesktopRefusal(*failWith);
        if (failWith)
            throw DesktopError(*failWith);
        std::vector<QSize> own;
        for (const QImage& picture : request.monitorPictures)
            own.push_back(picture.size());
        calls_->append({request.file, request.picture.size(), request.style, request.background,
                        request.persist, request.fit, own});
    }
    void watchLayout(std::function<void()> changed) override { layoutChanged = std::move(changed); }

    std::optional<QString> failWith;
    bool refuse = false;  // failWith as a lasting refusal
    // What the service asked to be told of a new monitor layout; call it to tell it.
    std::function<void()> layoutChanged;

private:
    std::shared_ptr<QList<Call>> calls_;
};

}  // namespace tesselvane::test
