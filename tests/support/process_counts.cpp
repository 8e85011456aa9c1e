#include "process_counts.h"

#include <dirent.h>

#include <thread>

#include "wait_until.h"

namespace {

int count_entries(const char *path) {
    DIR *dir = opendir(path);
    if (!dir)
        return -1;
    int count = 0;
    while (dirent *entry = readdir(dir)) {
        if (entry->d_name[0] != '.')
            count++;
    }
    closedir(dir);
    return count;
}

}  // namespace

int count_open_descriptors() {
    return count_entries("/proc/self/fd");
}

int count_threads() {
    // Sanitizer runtimes start a helper thread with the process's first thread; let that
    // happen before anything is counted.
    static bool warmed_up = [] {
        std::thread([] {}).join();
        return true;
    }();
    (void)warmed_up;
    return count_entries("/proc/self/task");
}

int settled_thread_count(int expected) {
    int count = count_threads();
    wait_until([&] { return (count = count_threads()) == expected; }, 5000);
    return count;
}
