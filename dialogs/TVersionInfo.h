#pragma once

#include <QString>
#include <QtGlobal>

class QWidget;

namespace tesselvane {

// The program's name, author and home page, shown with its version in the about box.
class TVersionInfo {
public:
    QString Title;
    QString ApplicationName;
    QString Author;
    QString URL;

    // The product version as "<first>.<second><third>": 1.0.2.0 gives "1.02".
    QString Version() const;
    // Shows the about box and returns when it is closed.
    void Execute(QWidget* parent = nullptr) const;
};

}  // namespace tesselvane
