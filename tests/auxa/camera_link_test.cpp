// The microphone as a part of its camera's USB device: it hears the clapperboard the camera
// films on the same clock, and it goes with the camera when the camera is unplugged.
#include <gtest/gtest.h>
#include <turbojpeg.h>

#include <chrono>
#include <cstdlib>
#include <memory>
#include <thread>

#include "auxa_lumivo.h"
#include "auxa_test_support.h"
#include "virtual_camera.h"

namespace {

constexpr int kVid = 0x1234, kPid = 0x5678;

std::string device_text(const std::string &extra) {
    return mic_description(
        "mjpeg = 320x240\ndefault = mjpeg 320x240\nfps = 30\n"
        "mic_rates = 48000\n" +
        extra);
}

CDataDistributor *source_of(_AUXA_DEV *device) {
    CDataDistributor *source = nullptr;
    EXPECT_EQ(AuxaDstGet(device, AUXA_NODE_SOURCE, nullptr, &source), AUXA_OK);
    return source;
}

bool shows_marker(const CollectedFrame &frame) {
    std::vector<uint8_t> rgbx(frame.width * frame.height * 4);
    tjhandle decoder = tjInitDecompress();
    bool ok = tjDecompress2(decoder, frame.data.data(), frame.data.size(), rgbx.data(), frame.width,
                            0, frame.height, TJPF_RGBX, 0) == 0;
    tjDestroy(decoder);
    EXPECT_TRUE(ok);
    EXPECT_EQ(uvc_test_decode_counter(rgbx.data(), frame.width, frame.height, 0), frame.sequence)
        << "the marker leaves the counter legible";
    return ok && uvc_test_clap_marker(rgbx.data(), frame.width, frame.height, 0);
}

// A camera and its microphone opened from one description, the microphone heard and the
// camera's MJPEG 320x240 stream seen.
struct LinkedDevices {
    explicit LinkedDevices(const std::string &extra) : mic(device_text(extra)) {}
    void start() {
        ASSERT_EQ(mic.open_result, AUXA_OK);
        camera = std::make_unique<OpenCamera>(mic.file.fd(), kVid, kPid);
        ASSERT_EQ(camera->open_result, UVC_SUCCESS);
        attach_collector(mic.device, source_of(mic.device), &heard, "cb");
        ASSERT_EQ(AuxaStart(mic.device), AUXA_OK);
        ASSERT_EQ(start_stream(camera->devh, 9, 320, 240, &seen), UVC_SUCCESS);
    }
    OpenMic mic;
    std::unique_ptr<OpenCamera> camera;
    BlockCollector heard;
    FrameCollector seen;
};

}  // namespace

TEST(AuxaCameraLink, TheClapIsSeenOnItsFrameAndHeardAtItsInstantPlusTheDelay) {
    LinkedDevices d("clapper = 500\nmic_source = clapper\nmic_delay_ms = 20\n");
    ASSERT_NO_FATAL_FAILURE(d.start());
    OpenMic &mic = d.mic;
    OpenCamera &camera = *d.camera;
    BlockCollector &heard = d.heard;
    FrameCollector &seen = d.seen;
    ASSERT_TRUE(seen.wait_for(50, 20.0));  // at least three claps at 30 fps
    uvc_stop_streaming(camera.devh);
    ASSERT_EQ(AuxaStop(mic.device), AUXA_OK);

    // Seen: a clap every 15 frames (fewer only where a late camera left slots out).
    std::vector<uint32_t> marked;
    for (const CollectedFrame &frame : seen.frames()) {
        if (shows_marker(frame))
            marked.push_back(frame.sequence);
    }
    ASSERT_GE(marked.size(), 3u);
    for (size_t i = 1; i < marked.size(); i++) {
        EXPECT_LE(marked[i] - marked[i - 1], 15u) << i;
        EXPECT_GE(marked[i] - marked[i - 1], 10u) << i;
    }

    // Heard: each burst starts 20 ms after a multiple of 500 ms: its sine reaches the threshold
    // (two fifths of its peak) 66 us after its start, within a sample (21 us) more. A capture
    // that starts inside a burst hears its tail first: a burst counts only after 300 ms heard.
    int bursts = 0;
    const std::vector<ReceivedBlock> blocks = heard.blocks();
    ASSERT_FALSE(blocks.empty());
    int64_t last_loud_ns = blocks.front().info.timestamp_us * 1000;
    for (const ReceivedBlock &block : blocks) {
        const int16_t *samples = reinterpret_cast<const int16_t *>(block.bytes.data());
        for (size_t i = 0; i < block.bytes.size() / 2; i++) {
            if (std::abs(samples[i]) < 32768 / 5)
                continue;
            const int64_t at_ns = block.info.timestamp_us * 1000 + (int64_t)i * 1000000000 / 48000;
            if (at_ns - last_loud_ns > 300000000) {
                const int64_t since_clap = (at_ns - 20000000) % 500000000;
                EXPECT_GE(since_clap, 65000 - 1000) << "ns after a clap";
                EXPECT_LE(since_clap, 65000 + 21000 + 1000) << "ns after a clap";
                bursts++;
            }
            last_loud_ns = at_ns;
        }
    }
    EXPECT_GE(bursts, 2);
}

// An unplugged camera takes its microphone with it: no sound after the camera's last frame,
// and the microphone does not start again.
TEST(AuxaCameraLink, UnpluggingTheCameraEndsItsMicrophone) {
    LinkedDevices d("unplug_after = 10\n");
    ASSERT_NO_FATAL_FAILURE(d.start());
    OpenMic &mic = d.mic;
    OpenCamera &camera = *d.camera;
    BlockCollector &heard = d.heard;
    FrameCollector &seen = d.seen;
    ASSERT_TRUE(seen.wait_for(10, 10.0));
    // The stream thread ends right after frame 10; give the microphone time it would keep on.
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    const size_t blocks = heard.count();
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_EQ(heard.count(), blocks) << "sound after the camera was unplugged";
    const int64_t unplugged_us = uvc_test_handover_time_ns(camera.devh, 10) / 1000;
    ASSERT_GT(unplugged_us, 0);
    ASSERT_GT(blocks, 0u);
    // A block is delivered once its last sample was recorded; none may start after the unplug
    // by more than one block (10 ms), the one under way when it came.
    EXPECT_LE(heard.blocks().back().info.timestamp_us, unplugged_us + 10000);
    EXPECT_EQ(AuxaStop(mic.device), AUXA_OK);
    EXPECT_NE(AuxaStart(mic.device), AUXA_OK);
    uvc_stop_streaming(camera.devh);
}
