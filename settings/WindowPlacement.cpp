#include "settings/WindowPlacement.h"

#include "settings/RegIni.h"

namespace tesselvane {

QPoint readWindowPosition(const RegIni& ini, const QString& section) {
    const int top = ini.ReadInteger(section, QStringLiteral("Top"), 0);
    const int left = ini.ReadInteger(section, QStringLiteral("Left"), 0);
    return {left, top};
}

void writeWindowPosition(RegIni& ini, const QString& section, QPoint topLeft) {
    RegIni::Batch batch(ini, section);
    ini.WriteInteger(section, QStringLiteral("Top"), topLeft.y());
    ini.WriteInteger(section, QStringLiteral("Left"), topLeft.x());
    batch.commit();
}

QRect readWindowGeometry(const RegIni& ini, const QString& section, QSize defaultSize) {
    const QPoint topLeft = readWindowPosition(ini, section);
    const int width = ini.ReadInteger(section, QStringLiteral("Width"), defaultSize.width());
    const int height = ini.ReadInteger(section, QStringLiteral("Height"), defaultSize.height());
    return {topLeft, QSize(width, height)};
}

void writeWindowGeometry(RegIni& ini, const QString& section, const QRect& frame) {
    RegIni::Batch batch(ini, section);
    writeWindowPosition(ini, section, frame.topLeft());
    ini.WriteInteger(section, QStringLiteral("Width"), frame.width());
    ini.WriteInteger(section, QStringLiteral("Height"), frame.height());
    batch.commit();
}

}  // namespace tesselvane
