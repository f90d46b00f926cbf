#include "controls/Beep.h"

#include <QApplication>

namespace tesselvane {

namespace {

std::function<void()> beepHook;

}  // namespace

void beep() {
    if (beepHook)
        beepHook();
    else
        QApplication::beep();
}

void setBeepHook(std::function<void()> hook) {
    beepHook = std::move(hook);
}

}  // namespace tesselvane
