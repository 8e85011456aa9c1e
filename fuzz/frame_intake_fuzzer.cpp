// Arbitrary camera frames through the engine's frame callback and its conversion (MJPEG and YUYV),
// and arbitrary H.264 through the decoder. Input: format byte, width and height (16 bits each,
// the frame header's claim), then the payload.
#include <string.h>

#include <cstdint>

#include "LibMediaDecoder.h"
#include "engine_access.h"
#include "engine_session.h"

namespace {

const int ENGINE_WIDTH = 160;
const int ENGINE_HEIGHT = 120;

UVCPreview *running_engine() {
    static UVCPreview *engine = [] {
        UVCPreview *e = fuzz_engine();
        UVCPreviewTestAccess::runWithoutThreads(e, ENGINE_WIDTH, ENGINE_HEIGHT, true);
        UVCPreviewTestAccess::markFirstFrameTaken(e);
        return e;
    }();
    return engine;
}

MediaDecoder *started_decoder() {
    static MediaDecoder *decoder = [] {
        MediaDecoder *d = LibMediaDecoder::getInstance()->getMediaDecoder();
        d->Init();
        d->Start(ENGINE_WIDTH, ENGINE_HEIGHT);
        return d;
    }();
    return decoder;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size < 5)
        return 0;
    const int formats[] = {PIXEL_FORMAT_MJPEG, PIXEL_FORMAT_YUYV, PIXEL_FORMAT_H264};
    const int format = formats[data[0] % 3];
    const int width = data[1] | data[2] << 8;
    const int height = data[3] | data[4] << 8;
    const uint8_t *payload = data + 5;
    const size_t bytes = size - 5;

    if (format == PIXEL_FORMAT_H264) {
        started_decoder()->PutData(const_cast<uint8_t *>(payload), (int)bytes);
        return 0;
    }
    UVCPreview *engine = running_engine();
    uvc_frame_t *frame = uvc_allocate_frame(bytes);
    if (!frame)
        return 0;
    // An empty frame has no data buffer at all.
    if (bytes)
        memcpy(frame->data, payload, bytes);
    frame->data_bytes = bytes;
    frame->actual_bytes = bytes;
    frame->frame_format = (enum uvc_frame_format)format;
    frame->width = width;
    frame->height = height;
    frame->step = format == PIXEL_FORMAT_YUYV ? width * 2 : 0;
    UVCPreviewTestAccess::deliver(engine, frame);
    uvc_free_frame(frame);
    // What the streaming loop would do next with the frame the callback queued.
    if (uvc_frame_t *raw = UVCPreviewTestAccess::takeQueuedPreview(engine)) {
        if (uvc_frame_t *picture = UVCPreviewTestAccess::convert(engine, raw))
            UVCPreviewTestAccess::giveConv(engine, picture);
    }
    return 0;
}
