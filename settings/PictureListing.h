#pragma once

#include "platform/FolderReader.h"

#include <QString>
#include <QStringList>

#include <memory>

namespace tesselvane {

class RegIni;

// A group's pictures in list order, with a folder group's texts made only when asked for: a
// change that takes one picture from a folder of 100,000 files then needs neither the whole
// sort nor 100,000 texts.
class PictureListing {
public:
    // What LoadPictureList would list for the group.
    static PictureListing load(const RegIni& ini, const QString& groupName);

    qsizetype size() const;
    // The picture at `index` (0 up to size() - 1) of the list LoadPictureList gives.
    QString at(qsizetype index) const;
    // Sorts a folder group and makes its texts, where a thread has the time to.
    void makeList();
    // The whole list, as LoadPictureList gives it; the listing is empty afterwards.
    QStringList takeList();

private:
    QStringList list_;                       // a file-list group, or a folder's once made
    std::shared_ptr<const FileTree> files_;  // a folder group's, until the list is made
    QString prefix_;                         // the folder and a separator
};

}  // namespace tesselvane
