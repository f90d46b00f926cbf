#include "controls/ErrorReport.h"

#include "controls/MessageBoxes.h"
#include "platform/TerminationSignals.h"
#include "platform/UserError.h"

#include <QApplication>
#include <QCoreApplication>

#include <cstdio>

namespace tesselvane {

QString errorText(std::exception_ptr error) {
    try {
        std::rethrow_exception(error);
    } catch (const UserError& e) {
        return e.message();
    } catch (const std::exception& e) {
        return QString::fromLocal8Bit(e.what());
    } catch (...) {
        return QCoreApplication::translate("ErrorReport", "不明なエラーが発生しました");
    }
}

QString withFullStop(const QString& text) {
    if (text.isEmpty())
        return text;
    const QChar last = text.back();
    if (last == u'.' || last == u'。' || last == u'！' || last == u'？' || last == u'!' ||
        last == u'?')
        return text;
    return text + (last.unicode() >= 0x3000 ? QStringLiteral("。") : QStringLiteral("."));
}

void reportError(std::exception_ptr error) {
    // A program asked to end does not stop for a box the user may never see (a log-out); the
    // error still reaches the log.
    if (TerminationSignals::pending()) {
        std::fprintf(stderr, "tesselvane: %s\n", qPrintable(errorText(error)));
        return;
    }
    showErrorReport(QApplication::activeWindow(), withFullStop(errorText(error)));
}

}  // namespace tesselvane
