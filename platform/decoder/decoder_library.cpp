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
std::atomic<int> g_forced_start_failures{0};
std::atomic<int> g_start_calls{0};
std::atomic<int> g_put_calls{0};

// Uses up one of the events still to come; false when none is left.
bool take_one(std::atomic<int> &left_count) {
    int left = left_count.load();
    while (left > 0) {
        if (left_count.compare_exchange_weak(left, left - 1))
            return true;
    }
    return false;
}

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
    return take_one(g_forced_changes);
}

bool takeForcedStartFailure() {
    return take_one(g_forced_start_failures);
}

void countStartCall() {
    g_start_calls++;
}

void countPutCall() {
    g_put_calls++;
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
void media_decoder_test_fail_start(int count) {
    g_forced_start_failures = count;
}
int media_decoder_test_start_calls() {
    return g_start_calls.load();
}
int media_decoder_test_put_calls() {
    return g_put_calls.load();
}
int media_decoder_test_holders() {
    return home().holders();
}
int media_decoder_test_objects() {
    return (int)home().objects();
}
