#include "device_presence.h"

#include <sys/stat.h>

#include <map>
#include <mutex>
#include <utility>

namespace {

std::mutex g_mutex;                                     // guards g_unplugs
std::map<std::pair<dev_t, ino_t>, uint64_t> g_unplugs;  // by device identity

}  // namespace

bool device_identity_of(int fd, DeviceIdentity *identity) {
    struct stat info;
    if (fd < 0 || fstat(fd, &info) != 0)
        return false;
    identity->device = info.st_dev;
    identity->inode = info.st_ino;
    return true;
}

uint64_t device_unplug_count(const DeviceIdentity &identity) {
    std::lock_guard<std::mutex> lock(g_mutex);
    auto found = g_unplugs.find({identity.device, identity.inode});
    return found == g_unplugs.end() ? 0 : found->second;
}

void device_unplugged(const DeviceIdentity &identity) {
    std::lock_guard<std::mutex> lock(g_mutex);
    ++g_unplugs[{identity.device, identity.inode}];
}
