#include "slide/TfrmSlide.h"

#include "controls/ErrorReport.h"
#include "picture/TDataModule1.h"
#include "platform/Screen.h"
#include "settings/Options.h"
#include "settings/PictureGlobals.h"
#include "slide/TMorvSlide.h"

#include <QAction>
#include <QApplication>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QScreen>

namespace tesselvane {

TfrmSlide::TfrmSlide(QWidget* parent) : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint) {
    setObjectName(QStringLiteral("frmSlide"));
    setWindowTitle(QStringLiteral("Tesselvane"));

    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    const auto item = [this](const char* name, const char* caption, void (TfrmSlide::*command)()) {
        QAction* action = PopupMenu1->addAction(QCoreApplication::translate("TfrmSlide", caption));
        action->setObjectName(QLatin1String(name));
        connect(action, &QAction::triggered, this,
                [this, command] { runGuarded([this, command] { (this->*command)(); }); });
        return action;
    };
    const auto separator = [this](const char* name) {
        QAction* action = PopupMenu1->addSeparator();
        action->setObjectName(QLatin1String(name));
        return action;
    };
    mnuForward =
        item("mnuForward", QT_TRANSLATE_NOOP("TfrmSlide", "次へ(&N)"), &TfrmSlide::mnuForwardClick);
    mnuBack = item("mnuBack", QT_TRANSLATE_NOOP("TfrmSlide", "前へ(&P)"), &TfrmSlide::mnuBackClick);
    N3 = separator("N3");
    K1 = item("K1", QT_TRANSLATE_NOOP("TfrmSlide", "壁紙として設定(&W)"), &TfrmSlide::K1Click);
    N1 = separator("N1");
    mnuTimer =
        item("mnuTimer", QT_TRANSLATE_NOOP("TfrmSlide", "一時停止(&C)"), &TfrmSlide::mnuTimerClick);
    mnuTimer->setCheckable(true);
    N2 = separator("N2");
    mnuExit = item("mnuExit", QT_TRANSLATE_NOOP("TfrmSlide", "終了(&X)"), &TfrmSlide::mnuExitClick);

    MorvSlide1 = new TMorvSlide(this);
    MorvSlide1->setObjectName(QStringLiteral("MorvSlide1"));
    MorvSlide1->setInterval(0);
    MorvSlide1->setRandom(false);
    MorvSlide1->setMode(TMode::mdManual);
    MorvSlide1->setSize(TSize::szNormal);
    MorvSlide1->setStyle(TStyle::stFile);
    MorvSlide1->setSusie(Susie1);
    MorvSlide1->setPopupMenuR(PopupMenu1);
    MorvSlide1->setPopupMenuL(nullptr);
    MorvSlide1->setOnClick(
        [this](QObject* sender) { runGuarded([&] { MorvSlide1Click(sender); }); });

    QPalette black = palette();
    black.setColor(QPalette::Window, Qt::black);
    setPalette(black);
    setAutoFillBackground(true);
}

TfrmSlide::~TfrmSlide() = default;

void TfrmSlide::setVisible(bool visible) {
    if (visible && !isVisible())
        runGuarded([this] { FormShow(); });
    QDialog::setVisible(visible);
}

void TfrmSlide::FormShow() {
    // The whole of the monitor the toolbar is on, as a full-screen window of the desktop's
    // (_NET_WM_STATE_FULLSCREEN, xdg_toplevel's full screen), so that panels go below it.
    const QWidget* owner = parentWidget() ? parentWidget()->window() : nullptr;
    QScreen* screen = owner && owner->screen() ? owner->screen() : QGuiApplication::primaryScreen();
    if (screen) {
        setScreen(screen);
        setGeometry(screen->geometry());
    }
    setWindowState(windowState() | Qt::WindowFullScreen);
    MorvSlide1->setInterval(MyOption.SlideTime * 1000);
    MorvSlide1->setFiles(PictureList);
    // In list order, whatever the wallpaper's own order is.
    MorvSlide1->setRandom(false);
    MorvSlide1->setStyle(TStyle::stFile);
    MorvSlide1->setMode(MyOption.SlideMode == 0 ? TMode::mdAuto : TMode::mdManual);
    mnuTimer->setChecked(false);
    MorvSlide1->Start();
}

void TfrmSlide::MorvSlide1Click(QObject*) {
    MorvSlide1->ShowNext();
}

void TfrmSlide::mnuForwardClick() {
    MorvSlide1->ShowNext();
}

void TfrmSlide::mnuBackClick() {
    MorvSlide1->ShowPrevious();
}

void TfrmSlide::K1Click() {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    struct RestoreCursor {
        ~RestoreCursor() { QApplication::restoreOverrideCursor(); }
    } restore;
    MorvSlide1->SetAsWallpaper(QStringLiteral("$tessel.bmp"));
}

void TfrmSlide::mnuTimerClick() {
    MorvSlide1->Pause(mnuTimer->isChecked());
}

void TfrmSlide::mnuExitClick() {
    MorvSlide1->Stop();
    close();
}

void TfrmSlide::keyPressEvent(QKeyEvent* event) {
    // Only the menu's exit ends the show: Escape is no way out of it.
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void TfrmSlide::hideEvent(QHideEvent* event) {
    // However the window went, the show must not go on stepping unseen.
    MorvSlide1->Stop();
    QDialog::hideEvent(event);
}

}  // namespace tesselvane
