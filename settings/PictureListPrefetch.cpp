#include "settings/PictureListPrefetch.h"

#include "platform/RegistryStore.h"
#include "settings/RegIni.h"

#include <mutex>

namespace tesselvane {

namespace {

std::mutex prefetchMutex;
std::unique_ptr<PictureListPrefetch> prefetched;

}  // namespace

PictureListPrefetch::PictureListPrefetch(const QString& groupName, bool wholeList)
    : groupName_(groupName), listing_(std::async(std::launch::async, [groupName, wholeList] {
          // A store of its own: the starter's may be closed before the list is done.
          RegistryStore store(RegistryStore::defaultPath());
          const RegIni ini(store);
          PictureListing listing = PictureListing::load(ini, groupName);
          if (wholeList)
              listing.makeList();
          return listing;
      })) {}

void prefetchPictureList(std::unique_ptr<PictureListPrefetch> prefetch) {
    const std::lock_guard lock(prefetchMutex);
    prefetched = std::move(prefetch);
}

std::optional<PictureListing> takePrefetchedListing(const QString& groupName) {
    std::unique_ptr<PictureListPrefetch> pending;
    {
        const std::lock_guard lock(prefetchMutex);
        if (!prefetched || prefetched->groupName() != groupName)
            return std::nullopt;
        pending = std::move(prefetched);
    }
    try {
        return pending->take();
    } catch (...) {
        return std::nullopt;
    }
}

bool takePrefetchedPictureList(const QString& groupName, QStringList& list) {
    std::optional<PictureListing> listing = takePrefetchedListing(groupName);
    if (!listing)
        return false;
    list = listing->takeList();
    return true;
}

}  // namespace tesselvane
