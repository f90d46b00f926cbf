#include "settings/PictureListPrefetch.h"

#include "platform/RegistryStore.h"
#include "settings/Groups.h"
#include "settings/RegIni.h"

#include <mutex>

namespace tesselvane {

namespace {

std::mutex prefetchMutex;
std::unique_ptr<PictureListPrefetch> prefetched;

}  // namespace

PictureListPrefetch::PictureListPrefetch(const QString& groupName)
    : groupName_(groupName), list_(std::async(std::launch::async, [groupName] {
          // A store of its own: the starter's may be closed before the list is done.
          RegistryStore store(RegistryStore::defaultPath());
          const RegIni ini(store);
          QStringList list;
          LoadPictureList(ini, list, groupName);
          return list;
      })) {}

void prefetchPictureList(std::unique_ptr<PictureListPrefetch> prefetch) {
    const std::lock_guard lock(prefetchMutex);
    prefetched = std::move(prefetch);
}

bool takePrefetchedPictureList(const QString& groupName, QStringList& list) {
    std::unique_ptr<PictureListPrefetch> pending;
    {
        const std::lock_guard lock(prefetchMutex);
        if (!prefetched || prefetched->groupName() != groupName)
            return false;
        pending = std::move(prefetched);
    }
    try {
        list = pending->take();
        return true;
    } catch (...) {
        return false;
    }
}

}  // namespace tesselvane
