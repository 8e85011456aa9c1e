// A recording of the H.264 counter camera: the decoder's pictures go to the recorder as any
// camera's pictures do.
#include "counter_order.h"
#include "recording_support.h"

namespace {

TEST(H264CameraRecording, PlaysWithIncreasingCounters) {
    CameraSetup setup = recording_camera(false);
    setup.vid = "0x041e";  // the camera the engine always streams as H.264
    setup.pid = "0x4057";
    setup.extra += "h264 = 1280x720\n";
    RecordingSession s(setup);
    ASSERT_TRUE(s.startPreview(REC_MODE_VIDEO_ONLY));
    EXPECT_EQ(UVCPreviewTestAccess::pixelFormat(s.engine()), PIXEL_FORMAT_H264);
    ASSERT_EQ(s.prepare(), 0);
    const std::string path = temp_file("h264_camera.mp4");
    // recordStart refuses while no picture is drawn, as a loaded machine may hold them back.
    ASSERT_EQ(s.start(path, false, 20000), 0);
    ASSERT_TRUE(s.waitMorePosts(2 * kRecordFps));
    ASSERT_EQ(s.engine()->recordStop(), 0);

    const RecordedFile file = probe_recording(path);
    EXPECT_EQ(file.codecs, "h264");
    EXPECT_EQ(file.width, 1280);
    EXPECT_EQ(file.height, 720);
    // The camera's first frames may leave counters unreadable (its encoder sharpens them
    // within half a second); the readable ones advance, concealed pictures after a frame lost
    // on a loaded machine aside.
    std::vector<int64_t> readable;
    for (int64_t counter : recorded_counters(path))
        if (counter >= 0)
            readable.push_back(counter);
    ASSERT_GE((int)readable.size(), kRecordFps);
    std::string why;
    EXPECT_TRUE(counters_advance(readable, kRecordFps, &why)) << why;
}

}  // namespace
