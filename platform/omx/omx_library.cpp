// The library instance of libOMX and its test controls.
#include <memory>

#include "fault_switches.h"
#include "media_log.h"
#include "object_home.h"
#include "omx_codec_extension.h"
#include "omx_test_controls.h"
#include "omx_wrapper.h"

namespace {
ObjectHome<OMXWrapperImpl> &home() {
    static ObjectHome<OMXWrapperImpl> objects;
    return objects;
}
}  // namespace

struct OmxLibraryHome {
    static OMXLib instance;
};
OMXLib OmxLibraryHome::instance;

FaultSwitches &omxFaults() {
    static FaultSwitches faults;
    return faults;
}

OMXLib *OMXLib::getInstance() {
    home().acquire();
    return &OmxLibraryHome::instance;
}

OMXCodecExtension *OMXLib::getExtension() {
    return &omxCodecExtension();
}

OMXWrapper *OMXLib::getWrapper(int color_format) {
    OMXWrapper *wrapper = home().adopt(std::make_unique<OMXWrapperImpl>());
    if (omxCodecExtension().supports(color_format))
        wrapper->SetColorFormat(color_format);
    return wrapper;
}

void OMXLib::releaseInstance() {
    if (!home().release())
        MEDIA_LOG("OMX", "released more often than obtained");
}

void omx_test_set_codec_available(bool available) {
    omxCodecExtension().setAvailable(available);
}

void omx_test_set_color_formats(const int *formats, int count) {
    omxCodecExtension().setFormats(formats, count);
}

void omx_test_fail_init(bool fail) {
    omxFaults().fail_init = fail;
}

void omx_test_fail_stop(bool fail) {
    omxFaults().fail_stop = fail;
}

void omx_test_fail_video_writes(int count) {
    omxFaults().failing_video_writes = count;
}

void omx_test_reset() {
    omxCodecExtension().setDefaults();
    omxFaults().reset();
}

OmxTestStats omx_test_stats(OMXWrapper *wrapper) {
    EncodeStats s = static_cast<OMXWrapperImpl *>(wrapper)->stats();
    return {s.video_taken, s.video_dropped, s.video_encoded, s.audio_taken, s.audio_encoded};
}

int omx_test_holders() {
    return home().holders();
}

int omx_test_objects() {
    return (int)home().objects();
}
