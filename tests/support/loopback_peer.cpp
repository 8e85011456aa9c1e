#include "loopback_peer.h"

#include <stdlib.h>

#include <sstream>

#include "command_output.h"

LoopbackPeer::LoopbackPeer(Kind kind) : kind_(kind) {
    std::string root = PEER_RUN_DIR;
    command_output("mkdir -p '" + root + "'");
    std::string pattern = root + (kind == Rtmp ? "/rtmp.XXXXXX" : "/rtsp.XXXXXX");
    if (!mkdtemp(&pattern[0]))
        return;
    dir_ = pattern;
    std::string script = std::string(PEER_SCRIPTS_DIR) +
                         (kind == Rtmp ? "/start-rtmp.sh '" + dir_ + "'"
                                       : "/start-rtsp.sh '" + dir_ + "' '" + recording() + "'");
    int status = -1;
    std::string output = command_output(script, &status);
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
        command_output(std::string(PEER_SCRIPTS_DIR) + "/stop-rtmp.sh '" + dir_ + "'");
    } else {
        command_output(std::string(PEER_SCRIPTS_DIR) + "/stop-rtsp.sh '" + dir_ + "' " +
                       std::to_string(grace_ms / 100));
    }
    port_ = 0;
}

ProbedMedia probe_media(const std::string &path) {
    ProbedMedia media;
    int status = -1;
    std::string output = command_output(
        "ffprobe -v error -show_entries stream=codec_name:format=duration -of "
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
