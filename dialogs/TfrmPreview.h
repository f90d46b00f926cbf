#pragma once

#include <QImage>
#include <QWidget>

class QLabel;

namespace tesselvane {

class RegIni;
struct TBitmap;

// A small captionless window, always on top, that shows one picture stretched to its size, or,
// when the wallpaper is fitted keeping its shape, fitted to it the same way. Dragged by its
// picture, sized by its border; its place and size are kept between shows.
class TfrmPreview : public QWidget {
public:
    explicit TfrmPreview(RegIni& ini, QWidget* parent = nullptr);
    ~TfrmPreview() override;

    // Shows the picture of `fileName`; one that cannot be read leaves the last picture.
    void showPicture(const QString& fileName);

    QLabel* imgPreview = nullptr;

protected:
    void setVisible(bool visible) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void FormShow();
    void FormHide();
    Qt::Edges edgesAt(QPoint point) const;
    void showFitted();

    RegIni& ini_;
    QImage picture_;
};

}  // namespace tesselvane
