#pragma once

// What the store-writer child writes in each generation, and the check that a group holds
// exactly one generation's contents: never a mix of two, never a part of one.

#include "settings/Groups.h"
#include "settings/RegIni.h"

#include <QString>
#include <QStringList>

#include <optional>

namespace tesselvane::test {

inline const QStringList kGenerationGroups{"Alpha", "Beta", "Gamma"};

inline int generationFileCount(int generation) {
    return 1 + (generation * 7919) % 400;
}

// Even generations are file lists, odd ones folders.
inline void writeGeneration(RegIni& ini, int generation) {
    for (const QString& group : kGenerationGroups) {
        if (generation % 2 == 0) {
            QStringList files;
            for (int i = 0; i < generationFileCount(generation); ++i) {
                files.append(QStringLiteral("/gen%1/%2/%3.jpg").arg(generation).arg(group).arg(i));
            }
            SaveGroup(ini, group, GroupKind::FileList, QString(), files);
        } else {
            SaveGroup(ini, group, GroupKind::Folder, QStringLiteral("/folder%1").arg(generation),
                      {});
        }
    }
    SaveGroupNames(ini, kGenerationGroups + QStringList{QStringLiteral("n%1").arg(generation)});
}

// The generation a group wholly holds; -1 when it was never written; nullopt when its
// contents are not wholly one generation's.
inline std::optional<int> generationOf(const RegIni& ini, const QString& group) {
    const QString section = groupContentsSection(group);
    if (!ini.sectionExists(section))
        return -1;
    const auto values = ini.readSectionValues(section);
    if (values.empty() || values.front().first != QLatin1String("Type"))
        return std::nullopt;
    if (values.front().second == QLatin1String("1")) {
        if (values.size() != 2 || values[1].first != QLatin1String("Folder"))
            return std::nullopt;
        const QString folder = values[1].second;
        if (!folder.startsWith(QLatin1String("/folder")))
            return std::nullopt;
        return folder.mid(7).toInt();
    }
    if (values.size() < 2)
        return std::nullopt;
    const int generation = values[1].second.section(u'/', 1, 1).mid(3).toInt();
    if (static_cast<int>(values.size()) != 1 + generationFileCount(generation))
        return std::nullopt;
    for (size_t i = 1; i < values.size(); ++i) {
        const QString expected =
            QStringLiteral("/gen%1/%2/%3.jpg").arg(generation).arg(group).arg(i - 1);
        if (values[i].second != expected)
            return std::nullopt;
    }
    return generation;
}

}  // namespace tesselvane::test
