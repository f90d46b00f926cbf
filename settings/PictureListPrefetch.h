#pragma once

#include "settings/PictureListing.h"

#include <QString>
#include <QStringList>

#include <future>
#include <memory>
#include <optional>

namespace tesselvane {

// The picture list of one group, loaded from the store at its default path on a thread of its
// own: a folder group's scan then runs while the program's libraries load and its windows are
// built.
class PictureListPrefetch {
public:
    // With `wholeList` the thread also sorts and makes every text; without, it leaves that to
    // whoever takes the listing (a run that changes the wallpaper once needs one picture).
    PictureListPrefetch(const QString& groupName, bool wholeList);
    const QString& groupName() const { return groupName_; }
    // Waits for the listing; raises what loading it raised.
    PictureListing take() { return listing_.get(); }

private:
    QString groupName_;
    std::future<PictureListing> listing_;
};

// Keeps `prefetch` for the first takePrefetched... of its group.
void prefetchPictureList(std::unique_ptr<PictureListPrefetch> prefetch);

// Hands over the listing prefetched for `groupName`, once; nullopt when there is none for that
// name or loading it failed (the caller then loads it and meets the error itself).
std::optional<PictureListing> takePrefetchedListing(const QString& groupName);

// The same as a whole list, into `list`; false as above.
bool takePrefetchedPictureList(const QString& groupName, QStringList& list);

}  // namespace tesselvane
