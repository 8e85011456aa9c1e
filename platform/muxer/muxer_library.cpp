// The library instance of libFFMpegLib.
#include <memory>

#include "ff_muxer.h"
#include "media_log.h"
#include "muxer_test_controls.h"
#include "object_home.h"

namespace {
ObjectHome<FFMuxerImpl> &home() {
    static ObjectHome<FFMuxerImpl> objects;
    return objects;
}
}  // namespace

struct MuxerLibraryHome {
    static FFMpegLib instance;
};
FFMpegLib MuxerLibraryHome::instance;

FFMpegLib *FFMpegLib::getInstance() {
    home().acquire();
    return &MuxerLibraryHome::instance;
}

FFMuxer *FFMpegLib::getMuxer() {
    return home().adopt(std::make_unique<FFMuxerImpl>());
}

void FFMpegLib::releaseInstance() {
    if (!home().release())
        MEDIA_LOG("FFMpegLib", "released more often than obtained");
}

int ffmuxer_test_holders() {
    return home().holders();
}
int ffmuxer_test_objects() {
    return (int)home().objects();
}
