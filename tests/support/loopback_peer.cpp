#include "loopback_peer.h"

#include <stdlib.h>

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

LoopbackPeer::Kind peer_kind(int mode) {
    return mode == 1 ? LoopbackPeer::Rtmp : LoopbackPeer::Rtsp;
}

std::string protocol_name(const testing::TestParamInfo<int> &info) {
    return info.param == 1 ? "Rtmp" : "Rtsp";
}
