#pragma once

#include <QString>
#include <QStringList>

#include <future>
#include <memory>

namespace tesselvane {

// The picture list of one group, loaded from the store at its default path on a thread of its
// own: a folder group's scan then runs while the program's libraries load and its windows are
// built.
class PictureListPrefetch {
public:
    explicit PictureListPrefetch(const QString& groupName);
    const QString& groupName() const { return groupName_; }
    // Waits for the list; raises what loading it raised.
    QStringList take() { return list_.get(); }

private:
    QString groupName_;
    std::future<QStringList> list_;
};

// Keeps `prefetch` for the first takePrefetchedPictureList of its group.
void prefetchPictureList(std::unique_ptr<PictureListPrefetch> prefetch);

// Hands over the list prefetched for `groupName` into `list`, once; false when there is none
// for that name or loading it failed (the caller then loads it and meets the error itself).
bool takePrefetchedPictureList(const QString& groupName, QStringList& list);

}  // namespace tesselvane
