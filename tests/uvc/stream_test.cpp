// Negotiation, frame delivery and timing, the counter through every payload kind, colours.
#include <gtest/gtest.h>
#include <libyuv.h>

#include <algorithm>
#include <atomic>
#include <set>
#include <thread>

extern "C" {
#include <libavcodec/avcodec.h>
}

#include "picture_pattern.h"
#include "virtual_camera.h"
#include "wait_until.h"

namespace {

TEST(UvcStream, NegotiatesEveryDescribedSizeAndRefusesOthers) {
    DescribedCamera camera(webcam_text());
    ASSERT_EQ(camera.open_result, UVC_SUCCESS);
    int diag[1021] = {};
    ASSERT_EQ(uvc_get_devInfo(camera.devh, diag + 1, diag), UVC_SUCCESS);
    int checked = 0;
    for (int i = 5; i < diag[0]; i += 2 + 2 * diag[i + 2]) {
        int format = diag[i + 1], count = diag[i + 2];
        for (int n = 0; n < count; ++n) {
            int width = diag[i + 3 + 2 * n], height = diag[i + 4 + 2 * n];
            uvc_stream_ctrl_t ctrl;
            ASSERT_EQ(uvc_get_stream_ctrl_format_size(camera.devh, &ctrl, format, width, height, 0),
                      UVC_SUCCESS);
            uvc_frame_desc_t desc;
            ASSERT_EQ(uvc_get_frame_desc(camera.devh, &ctrl, &desc), UVC_SUCCESS);
            EXPECT_EQ(desc.wWidth, width);
            EXPECT_EQ(desc.wHeight, height);
            EXPECT_EQ(desc.bFrameIndex, n + 1);
            // The same size by its frame index alone.
            ASSERT_EQ(uvc_get_stream_ctrl_format_size(camera.devh, &ctrl, format, 0, 0, n + 1),
                      UVC_SUCCESS);
            ASSERT_EQ(uvc_get_frame_desc(camera.devh, &ctrl, &desc), UVC_SUCCESS);
            EXPECT_EQ(desc.wWidth, width);
            ++checked;
        }
    }
    EXPECT_EQ(checked, 8);
    uvc_stream_ctrl_t ctrl;
    EXPECT_EQ(uvc_get_stream_ctrl_format_size(camera.devh, &ctrl, 9, 333, 222, 0),
              UVC_ERROR_INVALID_MODE);
    EXPECT_EQ(uvc_get_stream_ctrl_format_size(camera.devh, &ctrl, 3, 1920, 1080, 0),
              UVC_ERROR_INVALID_MODE);
    EXPECT_EQ(uvc_get_stream_ctrl_format_size(camera.devh, &ctrl, 9, 640, 480, 2),
              UVC_ERROR_INVALID_MODE);  // index 2 is 1280x720
    EXPECT_EQ(uvc_get_stream_ctrl_format_size(camera.devh, &ctrl, 9, 0, 0, 6),
              UVC_ERROR_INVALID_MODE);
    EXPECT_EQ(uvc_get_stream_ctrl_format_size(camera.devh, &ctrl, 7, 640, 480, 0),
              UVC_ERROR_INVALID_MODE);
    EXPECT_EQ(uvc_get_stream_ctrl_format_size1(camera.devh, &ctrl, 9, 640, 480, 0, 2),
              UVC_ERROR_INVALID_MODE);  // this camera has no H.264 stream
    // Any format: the default's format first.
    ASSERT_EQ(uvc_get_stream_ctrl_format_size(camera.devh, &ctrl, 0, 640, 480, 0), UVC_SUCCESS);
    EXPECT_EQ(ctrl.negotiated_format, 9);
}

TEST(UvcStream, FramesArriveInOrderAtTheFrameRateCarryingTheirNumber) {
    DescriptionFile file(webcam_text());
    {
        OpenCamera camera(file.fd(), kWebcamVid, kWebcamPid);
        FrameCollector collector;
        ASSERT_EQ(start_stream(camera.devh, 9, 320, 240, &collector), UVC_SUCCESS);
        ASSERT_TRUE(collector.wait_for(16, 3.0));
        uvc_stop_streaming(camera.devh);
        std::vector<CollectedFrame> frames = collector.frames();
        for (size_t i = 0; i < frames.size(); ++i) {
            EXPECT_EQ(frames[i].sequence, i + 1);
            EXPECT_EQ(frames[i].format, UVC_FRAME_FORMAT_MJPEG);
            EXPECT_EQ(frames[i].width, 320u);
            std::vector<uint8_t> rgbx;
            ASSERT_TRUE(to_rgbx(frames[i], &rgbx));
            EXPECT_EQ(uvc_test_decode_counter(rgbx.data(), 320, 240, 0), (int64_t)i + 1);
        }
        // The median of the camera's own hand-over intervals: a late hand-over on a loaded
        // machine lengthens one interval and shortens the next, so only a wrong rate moves it.
        uint32_t last = frames.size();
        std::vector<double> intervals_ms;
        for (uint32_t n = 2; n <= last; ++n) {
            intervals_ms.push_back((uvc_test_handover_time_ns(camera.devh, n) -
                                    uvc_test_handover_time_ns(camera.devh, n - 1)) /
                                   1e6);
        }
        std::nth_element(intervals_ms.begin(), intervals_ms.begin() + intervals_ms.size() / 2,
                         intervals_ms.end());
        EXPECT_NEAR(intervals_ms[intervals_ms.size() / 2], 1000.0 / 30, 8.0);
        EXPECT_EQ(uvc_test_handover_time_ns(camera.devh, last + 1), -1);
        // A program holding only the descriptor reads the same counters.
        EXPECT_EQ(uvc_test_frames_delivered_by_fd(file.fd()),
                  uvc_test_frames_delivered(camera.devh));
        EXPECT_EQ(uvc_test_handover_time_ns_by_fd(file.fd(), last),
                  uvc_test_handover_time_ns(camera.devh, last));
        EXPECT_EQ(uvc_test_handover_time_ns_by_fd(file.fd() + 1000, last), -1);
        // Nothing arrives once stop returned.
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        EXPECT_EQ(collector.frames().size(), frames.size());
    }
    // Closed: the descriptor's probes forget the camera.
    EXPECT_EQ(uvc_test_frames_delivered_by_fd(file.fd()), 0u);
    EXPECT_EQ(uvc_test_handover_time_ns_by_fd(file.fd(), 1), -1);
}

TEST(UvcStream, CounterSurvivesYuyvAndCompressionLevels) {
    DescribedCamera camera(webcam_text());
    std::vector<CollectedFrame> frames = collect_frames(camera.devh, 3, 320, 240, 3);
    ASSERT_EQ(frames.size(), 3u);
    for (const CollectedFrame &frame : frames) {
        ASSERT_EQ(frame.data.size(), 320u * 240 * 2);
        std::vector<uint8_t> rgbx;
        ASSERT_TRUE(to_rgbx(frame, &rgbx));
        EXPECT_EQ(uvc_test_decode_counter(rgbx.data(), 320, 240, 0), frame.sequence);
    }
    // A picture without the cells, or with one to three cells flipped, carries no number: a
    // damaged picture often has cells above each other wrong together.
    std::vector<uint8_t> grey(320 * 240 * 4, 128);
    EXPECT_EQ(uvc_test_decode_counter(grey.data(), 320, 240, 0), -1);
    std::vector<uint8_t> rgbx;
    ASSERT_TRUE(to_rgbx(frames[0], &rgbx));
    for (int row = 1; row < kCounterRows; row++) {
        const CellRect cell = counter_cell(320, 240, 1, row);
        for (int y = cell.y0; y < cell.y1; y++) {
            for (int x = cell.x0; x < cell.x1; x++) {
                for (int c = 0; c < 3; c++)
                    rgbx[((size_t)y * 320 + x) * 4 + c] ^= 0xff;
            }
        }
        EXPECT_EQ(uvc_test_decode_counter(rgbx.data(), 320, 240, 0), -1) << row << " cells";
    }
}

// Types of the NAL units of an Annex B access unit.
std::set<int> nal_unit_types(const std::vector<uint8_t> &unit) {
    std::set<int> types;
    for (size_t i = 0; i + 3 < unit.size(); ++i) {
        if (unit[i] == 0 && unit[i + 1] == 0 && unit[i + 2] == 1)
            types.insert(unit[i + 3] & 0x1f);
    }
    return types;
}

// Decodes Annex B access units with libavcodec and checks each picture's number.
void expect_h264_counter(const std::vector<CollectedFrame> &frames, int width, int height) {
    const AVCodec *codec = avcodec_find_decoder(AV_CODEC_ID_H264);
    AVCodecContext *decoder = avcodec_alloc_context3(codec);
    ASSERT_EQ(avcodec_open2(decoder, codec, nullptr), 0);
    AVPacket *packet = av_packet_alloc();
    AVFrame *picture = av_frame_alloc();
    std::vector<uint8_t> rgbx((size_t)width * height * 4);
    int decoded = 0;
    for (const CollectedFrame &frame : frames) {
        std::vector<uint8_t> padded(frame.data);
        padded.resize(frame.data.size() + AV_INPUT_BUFFER_PADDING_SIZE, 0);
        packet->data = padded.data();
        packet->size = (int)frame.data.size();
        ASSERT_EQ(avcodec_send_packet(decoder, packet), 0);
        while (avcodec_receive_frame(decoder, picture) == 0) {
            libyuv::I420ToABGR(picture->data[0], picture->linesize[0], picture->data[1],
                               picture->linesize[1], picture->data[2], picture->linesize[2],
                               rgbx.data(), width * 4, width, height);
            EXPECT_EQ(uvc_test_decode_counter(rgbx.data(), width, height, 0), decoded + 1);
            ++decoded;
        }
    }
    EXPECT_GE(decoded, (int)frames.size() - 1);  // a decoder may hold one picture back
    av_frame_free(&picture);
    av_packet_free(&packet);
    avcodec_free_context(&decoder);
}

TEST(UvcStream, H264StreamIsAnnexBWithInBandHeadersAndKeepsTheCounter) {
    DescribedCamera camera(
        "vid = 0x041e\npid = 0x4057\nmjpeg = 640x480\nh264 = 1280x720, 320x240\nfps = 30\n", 0x041e,
        0x4057);
    // One second of frames: an IDR with SPS/PPS opens the stream and every following second.
    std::vector<CollectedFrame> frames = collect_frames(camera.devh, 9, 320, 240, 32, 2);
    ASSERT_GE(frames.size(), 32u);
    for (size_t i = 0; i < 32; ++i) {
        std::set<int> units = nal_unit_types(frames[i].data);
        bool key = i == 0 || i == 30;
        EXPECT_EQ(units.count(7) == 1 && units.count(8) == 1 && units.count(5) == 1, key) << i;
    }
    EXPECT_EQ(frames[0].format, UVC_FRAME_FORMAT_MJPEG);  // the compressed-payload code
    expect_h264_counter(frames, 320, 240);
}

TEST(UvcStream, SolidColoursComeOutRight) {
    for (int format : {9, 3}) {
        DescribedCamera camera(webcam_text("pattern = solid 3366cc\n"));
        std::vector<CollectedFrame> frames = collect_frames(camera.devh, format, 640, 480, 1);
        ASSERT_FALSE(frames.empty());
        std::vector<uint8_t> rgbx;
        ASSERT_TRUE(to_rgbx(frames[0], &rgbx));
        for (size_t pixel : {0ul, 640ul * 240 + 320, 640ul * 480 - 1}) {
            EXPECT_NEAR(rgbx[pixel * 4 + 0], 0x33, 6) << format;
            EXPECT_NEAR(rgbx[pixel * 4 + 1], 0x66, 6) << format;
            EXPECT_NEAR(rgbx[pixel * 4 + 2], 0xcc, 6) << format;
        }
    }
}

TEST(UvcStream, StartTwiceIsBusyAndStopIsRepeatable) {
    DescribedCamera camera(webcam_text());
    uvc_stop_streaming(camera.devh);  // without a stream: nothing happens
    FrameCollector collector;
    ASSERT_EQ(start_stream(camera.devh, 9, 320, 240, &collector), UVC_SUCCESS);
    EXPECT_EQ(start_stream(camera.devh, 9, 320, 240, &collector), UVC_ERROR_BUSY);
    uvc_stop_streaming(camera.devh);
    uvc_stop_streaming(camera.devh);
    FrameCollector again;
    ASSERT_EQ(start_stream(camera.devh, 3, 320, 240, &again), UVC_SUCCESS);
    ASSERT_TRUE(again.wait_for(1, 2.0));
    EXPECT_EQ(again.frames()[0].sequence, 1u);  // a new stream counts from 1
    uvc_stop_streaming(camera.devh);            // before the collector goes
}

}  // namespace

namespace {

struct SlowConsumer {
    uvc_device_handle_t *devh = nullptr;
    std::atomic<int> calls{0};
    std::atomic<bool> inside{false};
    int stop_at = 0;  // stops the stream from inside the callback at this call

    static void callback(uvc_frame_t *, void *user) {
        SlowConsumer *self = static_cast<SlowConsumer *>(user);
        self->inside = true;
        int call = ++self->calls;
        if (call == self->stop_at)
            uvc_stop_streaming(self->devh);
        std::this_thread::sleep_for(std::chrono::milliseconds(40));
        self->inside = false;
    }
};

TEST(UvcStream, StopWaitsForARunningCallbackAndWorksFromInsideOne) {
    DescribedCamera camera(webcam_text());
    uvc_stream_ctrl_t ctrl;
    ASSERT_EQ(uvc_get_stream_ctrl_format_size(camera.devh, &ctrl, 9, 320, 240, 0), UVC_SUCCESS);
    SlowConsumer slow;
    slow.devh = camera.devh;
    ASSERT_EQ(uvc_start_iso_streaming(camera.devh, &ctrl, SlowConsumer::callback, &slow),
              UVC_SUCCESS);
    while (!slow.inside)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    uvc_stop_streaming(camera.devh);
    EXPECT_FALSE(slow.inside);
    int calls = slow.calls;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(slow.calls, calls);

    SlowConsumer self_stopping;
    self_stopping.devh = camera.devh;
    self_stopping.stop_at = 2;
    ASSERT_EQ(uvc_start_iso_streaming(camera.devh, &ctrl, SlowConsumer::callback, &self_stopping),
              UVC_SUCCESS);
    ASSERT_TRUE(wait_until([&] { return self_stopping.calls >= 2; }, 5000));
    std::this_thread::sleep_for(std::chrono::milliseconds(100));  // room for a call too many
    EXPECT_EQ(self_stopping.calls, 2);
    // The stream that stopped itself can be followed by a new one.
    SlowConsumer next;
    ASSERT_EQ(uvc_start_iso_streaming(camera.devh, &ctrl, SlowConsumer::callback, &next),
              UVC_SUCCESS);
    while (next.calls == 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    uvc_stop_streaming(camera.devh);
}

}  // namespace
