#pragma once

#include <QIcon>
#include <QIconEngine>
#include <QString>

#include <memory>

class QSvgRenderer;

namespace tesselvane {

// An icon drawn from an SVG file at whatever size it is asked for. The program draws its own
// rather than rely on Qt's SVG icon plug-in, which a system may lack: the toolbar would then
// show blank buttons and the tray an empty icon.
class SvgIconEngine : public QIconEngine {
public:
    explicit SvgIconEngine(const QString& file);
    ~SvgIconEngine() override;

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override;
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override;
    QIconEngine* clone() const override;
    bool isNull() override;

private:
    QString file_;
    std::shared_ptr<QSvgRenderer> renderer_;
};

// The icon of an SVG file (a resource path such as ":/icons/start.svg").
QIcon svgIcon(const QString& file);

}  // namespace tesselvane
