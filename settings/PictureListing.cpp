#include "settings/PictureListing.h"

#include "platform/Collation.h"
#include "settings/Groups.h"
#include "settings/RegIni.h"

#include <utility>

namespace tesselvane {

namespace {

const QString kType = QStringLiteral("Type");
const QString kFolder = QStringLiteral("Folder");

}  // namespace

PictureListing PictureListing::load(const RegIni& ini, const QString& groupName) {
    PictureListing listing;
    if (groupName.isEmpty())
        return listing;
    const QString section = groupContentsSection(groupName);
    if (ini.ReadString(section, kType, QStringLiteral("0")) == QLatin1String("0")) {
        ReadFileItems(ini, groupName, listing.list_);
        return listing;
    }
    const QString folder = ini.ReadString(section, kFolder, QString());
    // An empty folder would mean the root of the file system: no one chose that.
    if (folder.isEmpty())
        return listing;
    listing.files_ = std::make_shared<const FileTree>(collectFiles(folder));
    listing.prefix_ = folder + QLatin1Char('/');
    return listing;
}

qsizetype PictureListing::size() const {
    return files_ ? files_->size() : list_.size();
}

QString PictureListing::at(qsizetype index) const {
    if (!files_)
        return list_.at(index);
    return files_->withPrefix(prefix_, nthIgnoringCase(*files_, index));
}

void PictureListing::makeList() {
    if (!files_)
        return;
    // The sort on the file system's bytes: texts are made only once the order is known,
    // straight into the list.
    QStringList list;
    list.reserve(files_->size());
    for (const std::uint32_t i : orderIgnoringCase(*files_))
        list.append(files_->withPrefix(prefix_, i));
    list_ = std::move(list);
    files_.reset();
}

QStringList PictureListing::takeList() {
    makeList();
    return std::exchange(list_, QStringList());
}

}  // namespace tesselvane
