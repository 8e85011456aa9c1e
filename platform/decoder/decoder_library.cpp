// The library instance of libMediaDecoder and its test controls.
#include <atomic>
#include <memory>

#include "decoder_settings.h"
#include "decoder_test_controls.h"
#include "media_decoder.h"
#include "media_log.h"
#include "object_home.h"

namespace {
std::atomic<int> g_color_format{MEDIA_COLOR_FORMAT_YUV420_SEMIPLANAR};
std::atomic<int> g_forced_changes{0};

ObjectHome<MediaDecoderImpl> &home() {
    static ObjectHome<MediaDecoderImpl> objects;
    return objects;
}
}  // namespace

struct DecoderLibraryHome {
    static LibMediaDecoder instance;
};
LibMediaDecoder DecoderLibraryHome::instance;

int decoderColorFormat() {
    return g_color_format.load();
}

bool takeForcedFormatChange() {
    int left = g_forced_changes.load();
    while (left > 0) {
        if (g_forced_changes.compare_exchange_weak(left, left - 1))
            return true;
    }
    return false;
}

LibMediaDecoder *LibMediaDecoder::getInstance() {
    home().acquire();
    return &DecoderLibraryHome::instance;
}

MediaDecoder *LibMediaDecoder::getMediaDecoder() {
    return home().adopt(std::make_unique<MediaDecoderImpl>());
}

void LibMediaDecoder::releaseInstance() {
    if (!home().release())
        MEDIA_LOG("MediaDecoder", "released more often than obtained");
}

void media_decoder_test_set_color_format(int format) {
    g_color_format = format;
}
void media_decoder_test_force_format_change(int count) {
    g_forced_changes = count;
}
int media_decoder_test_holders() {
    return home().holders();
}
int media_decoder_test_objects() {
    return (int)home().objects();
}
