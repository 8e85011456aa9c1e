// Preview surface, conversion of camera frames into pictures, the draw queue and draw thread.
#include <libyuv.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>

#include "UVCPreview.h"
#include "band_decode.h"
#include "engine_results.h"
#include "logging.h"
#include "picture_order.h"
#include "timing.h"

namespace {

// Decoding flags: the first frame of the process uses the fast DCT; later ones the accurate
// DCT with fast upsampling. Both write straight into the pooled frame.
const int FIRST_DECODE_FLAGS = TJFLAG_FASTDCT | TJFLAG_NOREALLOC | TJFLAG_FASTUPSAMPLE |
                               TJFLAG_FORCESSE3 | TJFLAG_FORCESSE2 | TJFLAG_FORCESSE |
                               TJFLAG_FORCEMMX;
const int DECODE_FLAGS = TJFLAG_NOREALLOC | TJFLAG_FASTUPSAMPLE;

// Set once the header of an MJPEG frame has been read, by any engine of the process.
std::atomic<bool> g_jpegHeaderParsed(false);

// The size TurboJPEG decodes a jpegW x jpegH picture to when asked for at most maxW x maxH:
// the largest of its scaling factors that fits.
void decoded_size(int jpegW, int jpegH, int maxW, int maxH, int *width, int *height) {
    int count = 0;
    tjscalingfactor *factors = tjGetScalingFactors(&count);
    *width = jpegW;
    *height = jpegH;
    for (int i = 0; factors && i < count; i++) {
        int w = TJSCALED(jpegW, factors[i]);
        int h = TJSCALED(jpegH, factors[i]);
        if (w <= maxW && h <= maxH) {
            *width = w;
            *height = h;
            return;
        }
    }
}

// Zero-fills the visible part of a window once.
void blank_window(ANativeWindow *window) {
    ANativeWindow_Buffer buffer;
    if (!window || ANativeWindow_lock(window, &buffer, nullptr) != 0)
        return;
    uint8_t *row = static_cast<uint8_t *>(buffer.bits);
    for (int y = 0; y < buffer.height; y++, row += buffer.stride * 4) {
        memset(row, 0, buffer.width * 4);
    }
    ANativeWindow_unlockAndPost(window);
}

// Copies a picture into a locked window buffer row by row (rows, widths and strides as
// copyToSurface), in R, G, B, X order whatever order the picture is in. With `clearPicture` each
// source row is zero-filled right after its copy, while it is still in cache; a picture cleared
// whole then reports 0 bytes, so giving it back to its pool skips a second pass over it. Without
// it a picture in B, G, R, X order is put in order row by row, as later readers expect.
void copy_rows(uvc_frame_t *frame, const ANativeWindow_Buffer &buffer, bool clearPicture) {
    const int rows = std::min<int>(buffer.height, frame->height);
    const size_t srcStep = (size_t)frame->width * 4;
    const int rowPixels = std::min<int>(frame->width, buffer.width);
    const size_t dstStep = (size_t)buffer.stride * 4;
    const bool reorderInPlace = !clearPicture && in_bgrx_order(frame);
    uint8_t *src = static_cast<uint8_t *>(frame->data);
    uint8_t *dst = static_cast<uint8_t *>(buffer.bits);
    for (int y = 0; y < rows; y++, src += srcStep, dst += dstStep) {
        if (reorderInPlace) {
            libyuv::ARGBToABGR(src, 0, src, 0, frame->width, 1);
            memcpy(dst, src, (size_t)rowPixels * 4);
        } else {
            copy_row_as_rgbx(frame, src, dst, rowPixels);
        }
        if (clearPicture)
            memset(src, 0, srcStep);
    }
    if (reorderInPlace)
        put_in_rgbx_order(frame, rows);
    if (clearPicture && rows == (int)frame->height && frame->data_bytes <= srcStep * rows)
        frame->data_bytes = 0;
}

int draw_picture(uvc_frame_t *frame, ANativeWindow *window, bool clearPicture) {
    ANativeWindow_Buffer buffer;
    if (ANativeWindow_lock(window, &buffer, nullptr) != 0)
        return ENGINE_FAILED;
    copy_rows(frame, buffer, clearPicture);
    ANativeWindow_unlockAndPost(window);
    return 0;
}

bool four_byte_format(int32_t format) {
    return format == WINDOW_FORMAT_RGBA_8888 || format == WINDOW_FORMAT_RGBX_8888;
}

// Whether a window buffer holds a width x height picture decoded at its own stride.
bool buffer_takes(const ANativeWindow_Buffer &buffer, int width, int height) {
    return four_byte_format(buffer.format) && buffer.width >= width && buffer.height >= height &&
           buffer.stride >= buffer.width;
}

// Whether an MJPEG frame ends with its end-of-image marker (trailing zero padding allowed). A
// frame cut short may fail half-way through the decode; such frames are decoded aside, so that
// a failed decode never reaches the window, as before.
bool ends_whole(const uvc_frame_t *frame) {
    const uint8_t *data = static_cast<const uint8_t *>(frame->data);
    size_t end = frame->data_bytes;
    while (end > 2 && data[end - 1] == 0)
        end--;
    return end >= 2 && data[end - 2] == 0xff && data[end - 1] == 0xd9;
}

// Camera frames (MJPEG, YUYV) that the preview thread handed to the draw thread unconverted;
// every picture of the converted pool carries another format.
bool is_camera_frame(const uvc_frame_t *frame) {
    return frame->frame_format == UVC_FRAME_FORMAT_MJPEG ||
           frame->frame_format == UVC_FRAME_FORMAT_YUYV;
}

// The unconditional line of a decode that gave no picture.
void log_decode_failure(JpegDecode result) {
    if (result == JpegDecode::failed)
        LOGE_AS("draw_preview_one", "tjDecompress2 error : %s\n", tjGetErrorStr());
    else if (result == JpegDecode::refused)
        LOGE_AS("draw_preview_one", "restart markers missing or misnumbered\n");
}

}  // namespace

int copyToSurface(uvc_frame_t *frame, ANativeWindow **window) {
    if (!*window)
        return 0;
    return draw_picture(frame, *window, false);
}

int UVCPreview::setPreviewDisplay(ANativeWindow *window) {
    if (!window) {
        LOGD("preview_window is NULL");
        return ENGINE_NULL_ARGUMENT;
    }
    mPreviewMutex.lock();
    if (window == mPreviewWindow) {
        // Every hand-over carries a reference; the window is held once.
        ANativeWindow_release(window);
        mPreviewMutex.unlock();
        return 0;
    }
    if (mPreviewWindow)
        ANativeWindow_release(mPreviewWindow);
    mPreviewWindow = window;
    int result =
        ANativeWindow_setBuffersGeometry(window, mFrameWidth, mFrameHeight, mPreviewWindowFormat);
    mPreviewMutex.unlock();
    if (result != 0) {
        LOGD("ANativeWindow_setBuffersGeometry fail : %d", result);
        return WINDOW_GEOMETRY_FAILED;
    }
    return 0;
}

void UVCPreview::clearDisplay() {
    mCaptureMutex.lock();
    blank_window(mCaptureWindow);
    mCaptureMutex.unlock();
    mPreviewMutex.lock();
    blank_window(mPreviewWindow);
    mPreviewMutex.unlock();
}

// Decodes an MJPEG frame into `converted` within mWidth x mHeight. The picture is labelled with
// the size TurboJPEG really produced, which is smaller when the camera sent a smaller JPEG than
// negotiated. The lines carry the name of draw_preview_one, the operation that decodes.
uvc_frame_t *UVCPreview::decode_mjpeg(uvc_frame_t *frame, uvc_frame_t *converted, int pixelBytes,
                                      tjhandle decoder) {
    const char *caller = "draw_preview_one";
    unsigned char *jpeg = static_cast<unsigned char *>(frame->data);
    unsigned char *out = static_cast<unsigned char *>(converted->data);
    const bool first = !g_jpegHeaderParsed;
    int width = 0, height = 0, subsampling = 0;
    if (tjDecompressHeader2(decoder, jpeg, frame->data_bytes, &width, &height, &subsampling) != 0) {
        LOGE_AS(caller, "tjDecompressHeader2 error : %s\n", tjGetErrorStr());
        freeSharedFrameConv(converted);
        return nullptr;
    }
    const int wishWidth = mWidth, wishHeight = mHeight;
    uvc_frame_t *result = converted;
    JpegDecoding decoding(mDecodeWorkers, jpeg, frame->data_bytes, width, height, wishWidth,
                          wishHeight);
    const JpegDecode decoded =
        decoding.decode(decoder, out, 0, first ? FIRST_DECODE_FLAGS : DECODE_FLAGS);
    if (decoded == JpegDecode::decoded) {
        int decodedW, decodedH;
        decoded_size(width, height, wishWidth, wishHeight, &decodedW, &decodedH);
        converted->width = decodedW;
        converted->height = decodedH;
        converted->data_bytes = (size_t)picture_bytes(decodedW, decodedH, pixelBytes);
    } else {
        log_decode_failure(decoded);
        freeSharedFrameConv(converted);
        result = nullptr;
    }
    if (first) {
        LOGD_AS(mDebug, caller, "width : %d, height : %d\n", width, height);
        g_jpegHeaderParsed = true;
    }
    return result;
}

uvc_frame_t *UVCPreview::draw_preview_one(uvc_frame_t *frame, ANativeWindow ** /*window*/,
                                          FrameConverter converter, int pixelBytes) {
    uvc_frame_t *result = converter ? convert_to_pool_frame(frame, converter)
                                    : decode_to_pool_frame(frame, _jpegDecompressor, pixelBytes);
    freeSharedFrameRaw(frame);
    return result;
}

// Decodes an MJPEG camera frame into a converted-pool frame with `decoder` (each decoding
// thread has its own); the camera frame stays with the caller.
uvc_frame_t *UVCPreview::decode_to_pool_frame(uvc_frame_t *frame, tjhandle decoder,
                                              int pixelBytes) {
    const char *caller = "draw_preview_one";
    uvc_frame_t *converted = getSharedFrameConv();
    if (!converted) {
        LOGD_AS(mDebug, caller, "converted == NULL\n");
        return nullptr;
    }
    if (!decoder) {
        LOGD_AS(mDebug, caller, "_jpegDecompressor is not initialized\n");
        freeSharedFrameConv(converted);
        return nullptr;
    }
    return decode_mjpeg(frame, converted, pixelBytes, decoder);
}

// Converts an uncompressed camera frame into a converted-pool frame with `converter`; the
// camera frame stays with the caller.
uvc_frame_t *UVCPreview::convert_to_pool_frame(uvc_frame_t *frame, FrameConverter converter) {
    uvc_frame_t *converted = getSharedFrameConv();
    if (!converted)
        return nullptr;
    const int status = converter(frame, converted);
    if (status != 0) {
        LOGD_AS(mDebug, "draw_preview_one", "failed converting - result : %d", status);
        freeSharedFrameConv(converted);
        return nullptr;
    }
    return converted;
}

// A camera frame can go to the draw thread unconverted when nothing but the preview window will
// read its picture (no raw-frame callback, no recording, no capture request): an MJPEG frame
// once the first frame of the process, which uses other decoding flags, is past; a YUYV frame
// that the pool frames would hold converted.
bool UVCPreview::pass_unconverted(const uvc_frame_t *frame, FrameConverter converter) const {
    if (readers_after_window())
        return false;
    if (!converter)
        return frame->frame_format == UVC_FRAME_FORMAT_MJPEG && mDrawJpegDecompressor &&
               g_jpegHeaderParsed;
    return converter == any_to_picture && frame->frame_format == UVC_FRAME_FORMAT_YUYV &&
           yuyv_rows_fit(frame) &&
           (size_t)picture_bytes(frame->width, frame->height, 4) <= pool_frame_bytes();
}

// The draw thread's conversion of a camera frame handed over unconverted into a pool frame, for
// the readers after the window; the camera frame goes back to its pool.
uvc_frame_t *UVCPreview::picture_of_camera_frame(uvc_frame_t *frame) {
    uvc_frame_t *picture = frame->frame_format == UVC_FRAME_FORMAT_MJPEG
                               ? decode_to_pool_frame(frame, mDrawJpegDecompressor, 4)
                               : convert_to_pool_frame(frame, any_to_picture);
    freeSharedFrameRaw(frame);
    return picture;
}

// Converts a camera frame straight into the preview window buffer, at the buffer's stride: the
// picture is written once instead of into a pool frame that is then copied and cleared. The
// window is taken with a reference of its own under mPreviewMutex and drawn outside it, so the
// frame callback's hand-over never waits for a conversion. Returns false, leaving the frame to
// the pool-frame path, when the window cannot take the picture that way.
bool UVCPreview::draw_camera_frame(uvc_frame_t *frame) {
    const bool jpeg = frame->frame_format == UVC_FRAME_FORMAT_MJPEG;
    unsigned char *data = static_cast<unsigned char *>(frame->data);
    const int wishWidth = mWidth, wishHeight = mHeight;
    int width = (int)frame->width, height = (int)frame->height;
    int jpegWidth = 0, jpegHeight = 0;
    if (jpeg) {
        int subsampling = 0;
        if (!ends_whole(frame) ||
            tjDecompressHeader2(mDrawJpegDecompressor, data, frame->data_bytes, &jpegWidth,
                                &jpegHeight, &subsampling) != 0)
            return false;
        decoded_size(jpegWidth, jpegHeight, wishWidth, wishHeight, &width, &height);
    }
    JpegDecoding decoding(jpeg ? mDecodeWorkers.load() : nullptr, data, frame->data_bytes,
                          jpegWidth, jpegHeight, wishWidth, wishHeight);
    if (decoding.refused()) {  // dropped before it reaches the window
        log_decode_failure(JpegDecode::refused);
        freeSharedFrameRaw(frame);
        return true;
    }

    mPreviewMutex.lock();
    ANativeWindow *window = mPreviewWindow;
    // The YUYV conversion follows copyToSurface's rule for any window; a JPEG is decoded whole.
    const bool fits = window && (!jpeg || (four_byte_format(ANativeWindow_getFormat(window)) &&
                                           ANativeWindow_getWidth(window) >= width &&
                                           ANativeWindow_getHeight(window) >= height));
    if (fits)
        ANativeWindow_acquire(window);
    mPreviewMutex.unlock();
    if (!fits)
        return false;

    count_shown_picture();
    ANativeWindow_Buffer buffer;
    if (ANativeWindow_lock(window, &buffer, nullptr) == 0) {
        uint8_t *bits = static_cast<uint8_t *>(buffer.bits);
        const size_t stepBytes = (size_t)buffer.stride * 4;
        if (!jpeg) {
            yuyv_to_rgbx_rows(frame, bits, stepBytes, std::min<int>(buffer.height, height),
                              std::min<int>(buffer.width, width), true);
        } else if (buffer_takes(buffer, width, height)) {
            log_decode_failure(
                decoding.decode(mDrawJpegDecompressor, bits, (int)stepBytes, DECODE_FLAGS));
        } else if (uvc_frame_t *picture = decode_to_pool_frame(frame, mDrawJpegDecompressor, 4)) {
            // The buffer came out other than the window's geometry said: copy as before.
            copy_rows(picture, buffer, true);
            freeSharedFrameConv(picture);
        }
        ANativeWindow_unlockAndPost(window);
    }
    freeSharedFrameRaw(frame);
    ANativeWindow_release(window);
    return true;
}

// First-preview callback and picture count, for every picture taken off the draw queue.
void UVCPreview::count_shown_picture() {
    FirstPreviewCallback firstPreview = mFirstPreviewCallback;
    if (!mFirstPreviewNotified && firstPreview) {
        mFirstPreviewNotified = true;
        firstPreview(mCameraID);
    }
    const int viewCount = ++mViewCount;
    if (mDebug && viewCount % 500 == 0)
        LOGD("viewCount : %d\n", viewCount);
}

// Appends a picture to a queue of at most two; when full (or stopped) the newest goes back.
void UVCPreview::add_bounded(BoundedQueue<uvc_frame_t *> &queue, uvc_frame_t *frame) {
    if (uvc_frame_t *refused = queue.put(frame))
        FramePool::give_back(refused);
}

void UVCPreview::addDrawFrame(uvc_frame_t *frame) {
    add_bounded(mDrawFrames, frame);
}

uvc_frame_t *UVCPreview::waitDrawFrame() {
    uvc_frame_t *frame = mDrawFrames.take();
    if (!frame)
        LOGD("frame was not prepared");
    return frame;
}

// The pictures stay in their pool, which frees them.
void UVCPreview::clearDrawFrame() {
    mDrawFrames.take_all();
}

void *UVCPreview::draw_thread_func(void *vptr_args) {
    static_cast<UVCPreview *>(vptr_args)->draw_screen();
    return nullptr;
}

void UVCPreview::draw_screen() {
    while (mIsRunning) {
        uvc_frame_t *frame = waitDrawFrame();
        if (!frame)
            continue;

        // Without a raw-frame callback and a recording (which reads the picture after the
        // surface) the picture goes back to its pool after the copy, so the copy clears it.
        // The recording state is read once, so a recording never gets a cleared picture.
        const bool toRawdata = mRawdataCallback != nullptr;
        const bool recording = mIsRecording;
        const bool lastReader = !toRawdata && !recording;
        if (is_camera_frame(frame)) {  // handed over unconverted
            if (lastReader && draw_camera_frame(frame))
                continue;
            frame = picture_of_camera_frame(frame);
            if (!frame)
                continue;
        }
        count_shown_picture();
        const int viewCount = mViewCount;
        mPreviewMutex.lock();
        if (!mPreviewWindow && mDebug && viewCount % 500 == 0)
            LOGD("not exist surface\n");
        if (mPreviewWindow)
            draw_picture(frame, mPreviewWindow, lastReader);
        mPreviewMutex.unlock();
        if (!lastReader)
            put_in_rgbx_order(frame);  // not drawn: no window, or it could not be locked

        if (recording && !record_picture(frame)) {
            freeSharedFrameConv(frame);
            continue;
        }
        if (toRawdata) {
            addRawdataFrame(frame);
        } else {
            freeSharedFrameConv(frame);
        }
    }
    LOGD("exit %s\n", "draw_screen");
}

double UVCPreview::getviewFPS() {
    const double t0 = gettime();
    const int c0 = mViewCount;
    usleep(1000000);
    const int c1 = mViewCount;
    const double t1 = gettime();
    const double rate = (c1 - c0) / (t1 - t0);
    LOGD("viewCount : %d, afterviewclock : %f, currentviewclock : %f\n", c1 - c0, t1, t0);
    LOGD("Frame rate:           %f fps\n", rate);
    return rate;
}
