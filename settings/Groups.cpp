#include "settings/Groups.h"

#include "platform/CodePage.h"
#include "platform/FolderReader.h"
#include "platform/InterfaceLanguage.h"
#include "platform/RegistryStore.h"
#include "settings/PictureListing.h"
#include "settings/RegIni.h"

#include <algorithm>

namespace tesselvane {

namespace {

const QString kGroupName = QStringLiteral("GroupName");
const QString kType = QStringLiteral("Type");
const QString kFolder = QStringLiteral("Folder");

bool isTrimmed(QChar c) {
    return c.unicode() < 33;
}

QString trimBlanksAndControls(const QString& text) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && isTrimmed(text[begin]))
        ++begin;
    while (end > begin && isTrimmed(text[end - 1]))
        --end;
    return text.mid(begin, end - begin);
}

}  // namespace

QString groupContentsSection(const QString& groupName) {
    return QStringLiteral("Files\\") + groupName;
}

QStringList readGroupNames(const RegIni& ini) {
    QStringList names;
    for (const auto& [ident, name] : ini.readSectionValues(kGroupName))
        names.append(name);
    return names;
}

void SaveGroupNames(RegIni& ini, const QStringList& names) {
    RegIni::Batch batch(ini, kGroupName);
    ini.EraseSection(kGroupName);
    for (qsizetype i = 0; i < names.size(); ++i) {
        ini.WriteString(kGroupName, QStringLiteral("Group%1").arg(i), names[i]);
    }
    batch.commit();
}

int groupNameBytes(const QString& name) {
    return japaneseCodePageBytes(name);
}

GroupNameCheck checkNewGroupName(const QString& typed, const QStringList& existingNames) {
    using Result = GroupNameCheck::Result;
    GroupNameCheck check;
    check.name = trimBlanksAndControls(typed);
    if (check.name.isEmpty()) {
        check.result = Result::Empty;
        return check;
    }
    if (check.name.contains(u'\\')) {
        check.result = Result::HasBackslash;
        check.message = interfaceText("Groups", "グループ名に \\ は使えません");
        return check;
    }
    if (std::any_of(check.name.cbegin(), check.name.cend(), [](QChar c) {
            return c.category() == QChar::Other_Control || c == QChar::LineSeparator ||
                   c == QChar::ParagraphSeparator;
        })) {
        check.result = Result::HasControl;
        check.message = interfaceText("Groups", "グループ名に改行やタブなどの制御文字は使えません");
        return check;
    }
    if (groupNameBytes(check.name) > kMaxGroupNameBytes) {
        check.result = Result::TooLong;
        check.message =
            interfaceText("Groups", "グループ名が長すぎます（半角30文字、全角15文字まで）");
        return check;
    }
    // The store folds every letter, not only a-z: "Äpfel" beside "äpfel" would share one
    // contents key, and each group would overwrite and erase the other's pictures.
    const QString folded = RegistryStore::foldedName(check.name);
    for (const QString& existing : existingNames) {
        if (RegistryStore::foldedName(existing) == folded) {
            check.result = Result::Duplicate;
            check.message = interfaceText("Groups", "二重登録です");
            return check;
        }
    }
    check.result = Result::Accepted;
    return check;
}

void LoadPictureList(const RegIni& ini, QStringList& list, const QString& groupName) {
    list = PictureListing::load(ini, groupName).takeList();
}

void ReadFileItems(const RegIni& ini, const QString& groupName, QStringList& list) {
    list.clear();
    for (const auto& [name, text] : ini.readSectionValues(groupContentsSection(groupName))) {
        if (name != kType)
            list.append(text);  // exactly "Type": a case-sensitive comparison
    }
}

void ScanFolder(const QString& folder, QStringList& list) {
    const FileTree files = collectFiles(folder);
    const QString prefix = folder + QLatin1Char('/');
    list.reserve(list.size() + files.size());
    for (qsizetype i = 0; i < files.size(); ++i)
        list.append(files.withPrefix(prefix, i));
}

void SaveGroup(RegIni& ini, const QString& groupName, GroupKind kind, const QString& folder,
               const QStringList& files) {
    const QString section = groupContentsSection(groupName);
    RegIni::Batch batch(ini, section);
    ini.EraseSection(section);
    if (kind == GroupKind::FileList) {
        ini.WriteString(section, kType, QStringLiteral("0"));
        for (qsizetype i = 0; i < files.size(); ++i) {
            ini.WriteString(section, QStringLiteral("File%1").arg(i, 4, 10, QLatin1Char('0')),
                            files[i]);
        }
    } else {
        ini.WriteString(section, kType, QStringLiteral("1"));
        ini.WriteString(section, kFolder, folder);
    }
    batch.commit();
}

void removeGroup(RegIni& ini, QStringList& names, qsizetype index) {
    if (index < 0 || index >= names.size())
        return;
    QStringList remaining = names;
    const QString name = remaining.takeAt(index);
    RegIni::Batch batch(ini, kGroupName);
    ini.EraseSection(groupContentsSection(name));
    SaveGroupNames(ini, remaining);
    batch.commit();
    names = std::move(remaining);
}

}  // namespace tesselvane
