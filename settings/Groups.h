#pragma once

#include <QString>
#include <QStringList>

namespace tesselvane {

class RegIni;

// How a group's pictures are given. The numbers are the stored "Type" texts.
enum class GroupKind { FileList = 0, Folder = 1 };

// "Files\" + name: the section that holds one group's contents.
QString groupContentsSection(const QString& groupName);

// The group names in stored order. A value that vanished between listing and reading
// reads as "None".
QStringList readGroupNames(const RegIni& ini);
// Replaces the stored names with `names`, numbered Group0, Group1, ... in list order.
void SaveGroupNames(RegIni& ini, const QStringList& names);

// The verdict on a name typed for a new group.
struct GroupNameCheck {
    enum class Result { Accepted, Empty, Duplicate, TooLong, HasBackslash, HasControl };
    Result result = Result::Empty;
    QString name;     // the typed text without leading and trailing blanks and control codes
    QString message;  // for the user when refused (empty for Empty: nothing to say)
};

// Longest name, in bytes of the Japanese code page (single-byte characters count 1, others 2).
constexpr int kMaxGroupNameBytes = 30;
int groupNameBytes(const QString& name);

// Trims the typed text and refuses an empty name, one over kMaxGroupNameBytes, one with a
// backslash (it would nest keys of the store), one with a control character inside (a line
// break or a tab: no caption, list or exported file shows it), and one equal to an existing name as
// the store compares key names, without letter case ("二重登録です").
GroupNameCheck checkNewGroupName(const QString& typed, const QStringList& existingNames);

// Replaces `list` with the pictures of the named group: the stored files of a file-list group,
// or every file below a folder group's folder sorted by full path. An empty name, a group
// that was never set, a folder group without a folder, or a missing folder give an empty list.
void LoadPictureList(const RegIni& ini, QStringList& list, const QString& groupName);

// Replaces `list` with the stored files of a file-list group, in stored order.
void ReadFileItems(const RegIni& ini, const QString& groupName, QStringList& list);

// Appends every file below `folder`, depth first, hidden ones included, each as the folder
// text + "/" + name. Links to folders are followed, but a folder is never entered while the
// scan is already inside it, so link loops end.
void ScanFolder(const QString& folder, QStringList& list);

// Replaces a group's stored contents in one commit: a list of files, or one folder.
void SaveGroup(RegIni& ini, const QString& groupName, GroupKind kind, const QString& folder,
               const QStringList& files);

// Removes the group at `index` of `names`: its contents and its name, in one commit.
// `names` is updated to what was stored.
void removeGroup(RegIni& ini, QStringList& names, qsizetype index);

}  // namespace tesselvane
