#include "ErrorReport.h"

#include "MessageBoxes.h"
#include "UserError.h"

#include <QApplication>

namespace tesselvane {

QString ErrorText(std::exception_ptr error) {
    try {
        std::rethrow_exception(error);
    } catch (const UserError& e) {
        return e.message();
    } catch (const std::exception& e) {
        return QString::fromLocal8Bit(e.what());
    } catch (...) {
        return QStringLiteral("不明なエラーが発生しました");
    }
}

QString WithFullStop(const QString& text) {
    if (text.isEmpty())
        return text;
    const QChar last = text.back();
    if (last == u'.' || last == u'。' || last == u'！' || last == u'？' || last == u'!' ||
        last == u'?')
        return text;
    return text + (last.unicode() >= 0x3000 ? QStringLiteral("。") : QStringLiteral("."));
}

void ReportError(std::exception_ptr error) {
    ShowErrorReport(QApplication::activeWindow(), WithFullStop(ErrorText(error)));
}

}  // namespace tesselvane
