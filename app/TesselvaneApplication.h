#pragma once

#include <QApplication>

namespace tesselvane {

// The application object. An error that escapes an event handler anyway is reported like
// any other, rather than ending the program.
class TesselvaneApplication : public QApplication {
public:
    TesselvaneApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;
};

}  // namespace tesselvane
