#include "loopback_peer.h"

#include <dirent.h>
#include <stdlib.h>

#include <cstdio>
#include <sstream>
#include <thread>

namespace {

// Runs a shell command and returns its standard output.
std::string run(const std::string &command, int *status = nullptr) {
    std::string output;
    FILE *pipe = popen(command.c_str(), "r");
    if (!pipe)
        return output;
    char chunk[512];
    size_t got;
    while ((got = fread(chunk, 1, sizeof(chunk), pipe)) > 0)
        output.append(chunk, got);
    int result = pclose(pipe);
    if (status)
        *status = result;
    return output;
}

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

LoopbackPeer::LoopbackPeer(Kind kind) : kind_(kind) {
    std::string root = PEER_RUN_DIR;
    run("mkdir -p '" + root + "'");
    std::string pattern = root + (kind == Rtmp ? "/rtmp.XXXXXX" : "/rtsp.XXXXXX");
    if (!mkdtemp(&pattern[0]))
        return;
    dir_ = pattern;
    std::string script = std::string(PEER_SCRIPTS_DIR) +
                         (kind == Rtmp ? "/start-rtmp.sh '" + dir_ + "'"
                                       : "/start-rtsp.sh '" + dir_ + "' '" + recording() + "'");
    int status = -1;
    std::string output = run(script, &status);
    if (status == 0)
        port_ = atoi(output.c_str());
}

std::string LoopbackPeer::url(const std::string &name) const {
    std::string base = "://127.0.0.1:" + std::to_string(port_) + "/live";
    return kind_ == Rtmp ? "rtmp" + base + "/" + name : "rtsp" + base;
}

std::string LoopbackPeer::recording(const std::string &name) const {
    return kind_ == Rtmp ? dir_ + "/record/" + name + ".flv" : dir_ + "/received.mkv";
}

void LoopbackPeer::stop(int grace_ms) {
    if (dir_.empty())
        return;
    if (kind_ == Rtmp) {
        run(std::string(PEER_SCRIPTS_DIR) + "/stop-rtmp.sh '" + dir_ + "'");
    } else {
        run(std::string(PEER_SCRIPTS_DIR) + "/stop-rtsp.sh '" + dir_ + "' " +
            std::to_string(grace_ms / 100));
    }
    port_ = 0;
}

ProbedMedia probe_media(const std::string &path) {
    ProbedMedia media;
    int status = -1;
    std::string output =
        run("ffprobe -v error -show_entries stream=codec_name:format=duration -of "
            "default=nw=1 '" +
                path + "' 2>/dev/null",
            &status);
    if (status != 0)
        return media;
    std::istringstream lines(output);
    std::string line;
    while (std::getline(lines, line)) {
        if (line.rfind("codec_name=", 0) == 0) {
            if (!media.codecs.empty())
                media.codecs += ",";
            media.codecs += line.substr(11);
        } else if (line.rfind("duration=", 0) == 0) {
            media.duration = atof(line.c_str() + 9);
        }
    }
    media.readable = !media.codecs.empty();
    return media;
}

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
