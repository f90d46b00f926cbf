#pragma once

#include <QDialog>

class QAction;
class QMenu;

namespace tesselvane {

class TMorvSlide;

// The full-screen slide show of the main window's current group: black, without border or
// title, one picture at a time at its own size, centred. Steps by itself every SlideTime
// seconds in the automatic slide mode; a left click steps forward, and the right button's
// menu steps, pauses, makes the picture on view the wallpaper and ends the show. Shown
// modally.
class TfrmSlide : public QDialog {
public:
    explicit TfrmSlide(QWidget* parent = nullptr);
    ~TfrmSlide() override;

    void FormShow();
    void MorvSlide1Click(QObject* sender);
    void mnuForwardClick();
    void mnuBackClick();
    void K1Click();  // "壁紙として設定": the picture on view becomes the wallpaper
    // The click has already toggled the check mark: ticked is paused.
    void mnuTimerClick();
    void mnuExitClick();

    TMorvSlide* MorvSlide1;
    QMenu* PopupMenu1;
    QAction* mnuForward;
    QAction* mnuBack;
    QAction* N3;
    QAction* K1;
    QAction* N1;
    QAction* mnuTimer;
    QAction* N2;
    QAction* mnuExit;

    void setVisible(bool visible) override;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void hideEvent(QHideEvent* event) override;
};

}  // namespace tesselvane
