#pragma once

#include "picture/TSusie.h"

#include <QObject>

namespace tesselvane {

// The first object the program creates: it holds the image host that the wallpaper
// renderer, the dialogs and the slide show share.
class TDataModule1 : public QObject {
public:
    explicit TDataModule1(QObject* parent = nullptr);
    ~TDataModule1() override;

    TSusie* Susie1;
};

// The shared image host, while a data module exists.
extern TSusie* Susie1;

}  // namespace tesselvane
