#include "bench_support.h"

#include <stdio.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>

#include "uvc_testing.h"

namespace {

double cpu_seconds(int who) {
    rusage usage;
    getrusage(who, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

}  // namespace

double process_cpu_seconds() {
    return cpu_seconds(RUSAGE_SELF);
}

double children_cpu_seconds() {
    return cpu_seconds(RUSAGE_CHILDREN);
}

std::string load_average() {
    double load[3] = {0, 0, 0};
    getloadavg(load, 3);
    char text[64];
    snprintf(text, sizeof(text), "%.2f %.2f %.2f", load[0], load[1], load[2]);
    return text;
}

double resident_mib() {
    FILE *statm = fopen("/proc/self/statm", "r");
    long pages = 0, resident = -1;
    if (statm) {
        if (fscanf(statm, "%ld %ld", &pages, &resident) != 2)
            resident = -1;
        fclose(statm);
    }
    return resident < 0 ? -1 : resident * (double)sysconf(_SC_PAGESIZE) / (1024 * 1024);
}

int64_t monotonic_us() {
    return std::chrono::duration_cast<std::chrono::microseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

std::vector<int64_t> file_counters(const std::string &path, int width, int height) {
    std::vector<int64_t> counters;
    const std::string command = "ffmpeg -v error -i '" + path +
                                "' -fps_mode passthrough -vf scale=" + std::to_string(width) + ":" +
                                std::to_string(height) + " -f rawvideo -pix_fmt rgb0 - 2>/dev/null";
    FILE *pipe = popen(command.c_str(), "r");
    if (!pipe)
        return counters;
    std::vector<uint8_t> picture((size_t)width * height * 4);
    while (fread(picture.data(), 1, picture.size(), pipe) == picture.size())
        counters.push_back(uvc_test_decode_counter(picture.data(), width, height, 0));
    pclose(pipe);
    return counters;
}
