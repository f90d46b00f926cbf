#include "picture/TDataModule1.h"

namespace tesselvane {

TSusie* Susie1 = nullptr;

TDataModule1::TDataModule1(QObject* parent) : QObject(parent), Susie1(new TSusie(this)) {
    Susie1->InJpeg = true;
    Susie1->DeColor = false;
    tesselvane::Susie1 = Susie1;
}

TDataModule1::~TDataModule1() {
    if (tesselvane::Susie1 == Susie1)
        tesselvane::Susie1 = nullptr;
}

}  // namespace tesselvane
