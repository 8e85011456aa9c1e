// Watermarks: placement, blending and clipping on single pictures, then in recorded files.
#include <limits.h>
#include <vector>

#include "host_android.h"
#include "recording_support.h"

namespace {

// A picture of the engine's size filled with one grey level.
struct Picture {
    Picture(int width, int height, uint8_t level) {
        frame = uvc_allocate_frame((size_t)width * height * 4);
        frame->width = width;
        frame->height = height;
        frame->data_bytes = (size_t)width * height * 4;
        memset(frame->data, level, frame->data_bytes);
    }
    ~Picture() { uvc_free_frame(frame); }
    const uint8_t *at(int row, int col) const {
        return static_cast<const uint8_t *>(frame->data) + ((size_t)row * frame->width + col) * 4;
    }
    uvc_frame_t *frame;
};

std::vector<uint8_t> solid_watermark(int width, int height, uint8_t r, uint8_t g, uint8_t b) {
    std::vector<uint8_t> pixels((size_t)width * height * 4);
    for (size_t i = 0; i < pixels.size(); i += 4) {
        pixels[i] = r;
        pixels[i + 1] = g;
        pixels[i + 2] = b;
        pixels[i + 3] = 255;
    }
    return pixels;
}

class Watermarks : public testing::Test {
  protected:
    void SetUp() override {
        ASSERT_EQ(s.connect(), 0);
        e = s.engine();
        width = UVCPreviewTestAccess::wishWidth(e);
        height = 480;
    }
    void setSystem(int w, int h, int x, int y, int mode, const std::vector<uint8_t> &pixels) {
        e->SetWatermarkInit(w, h, x, y, mode);
        e->SetWatermarkBuf(const_cast<uint8_t *>(pixels.data()), (int)pixels.size());
    }
    void setUser(int w, int h, int x, int y, int mode, const std::vector<uint8_t> &pixels) {
        e->SetUserWatermarkInit(w, h, x, y, mode);
        e->SetUserWatermarkBuf(const_cast<uint8_t *>(pixels.data()), (int)pixels.size());
    }
    CameraSession s;
    UVCPreview *e = nullptr;
    int width = 0, height = 0;
};

TEST_F(Watermarks, FileWatermarkSitsAtTheBottomCentreAndBlends) {
    ASSERT_EQ(width, 640);
    std::vector<uint8_t> mark = solid_watermark(200, 100, 100, 100, 100);
    // Keyed pixels: a channel at 59 is transparent, 60 everywhere is blended.
    mark[0] = 59;
    mark[4] = mark[5] = mark[6] = 60;
    setSystem(200, 100, 0, 0, 0, mark);
    Picture p(width, height, 200);
    e->addWaterMark(p.frame);
    const int top = height - 100, left = width / 2 - 100;
    EXPECT_EQ(p.at(top, left)[0], 200);  // keyed out
    EXPECT_EQ(p.at(top, left + 1)[0], (int)(200 * 0.14 + 60 * 0.85));
    EXPECT_EQ(p.at(top + 50, left + 100)[1], 113);
    EXPECT_EQ(p.at(top + 50, left + 100)[3], 200);  // the fourth byte keeps its value
    EXPECT_EQ(p.at(top - 1, left + 100)[0], 200);
    EXPECT_EQ(p.at(height - 1, left - 1)[0], 200);
    EXPECT_EQ(p.at(height - 1, left + 200)[0], 200);

    // A second picture without init keeps the first; an init drops it.
    std::vector<uint8_t> black = solid_watermark(200, 100, 0, 0, 0);
    e->SetWatermarkBuf(black.data(), (int)black.size());
    Picture again(width, height, 200);
    e->addWaterMark(again.frame);
    EXPECT_EQ(again.at(top + 50, left + 100)[0], 113);
    e->SetWatermarkInit(200, 100, 0, 0, 1);
    Picture none(width, height, 200);
    e->addWaterMark(none.frame);
    EXPECT_EQ(none.at(top + 50, left + 100)[0], 200);
}

TEST_F(Watermarks, LivePositionsArePulledIntoTheFrameAndStay) {
    e->SetRecType(REC_TYPE_LIVE);
    setSystem(100, 50, 5000, 9000, 1, solid_watermark(100, 50, 100, 100, 100));
    setUser(40, 20, -30, -7, 1, solid_watermark(40, 20, 0, 0, 0));
    Picture p(width, height, 200);
    e->addWaterMark(p.frame);
    EXPECT_EQ(p.at(height - 1, width - 1)[0], 113);
    EXPECT_EQ(p.at(height - 51, width - 1)[0], 200);
    EXPECT_EQ(p.at(height - 1, width - 101)[0], 200);
    EXPECT_EQ(p.at(0, 0)[0], 28);  // the user watermark, corrected to 0, 0
    EXPECT_EQ(p.at(20, 0)[0], 200);

    // The user watermark lies on top and follows SetUserWatermarkXY at the next picture.
    e->SetUserWatermarkXY(width - 40, height - 20);
    Picture moved(width, height, 200);
    e->addWaterMark(moved.frame);
    EXPECT_EQ(moved.at(height - 1, width - 1)[0], (int)(113 * 0.14));
    EXPECT_EQ(moved.at(0, 0)[0], 200);

    // Other record types put the system watermark at the top-left corner.
    e->SetRecType(7);
    e->SetUserWatermarkInit(0, 0, 0, 0, 0);
    Picture corner(width, height, 200);
    e->addWaterMark(corner.frame);
    EXPECT_EQ(corner.at(0, 0)[0], 113);
    EXPECT_EQ(corner.at(50, 0)[0], 200);
    e->SetRecType(REC_TYPE_FILE);
}

TEST_F(Watermarks, BadSizesNeverLeaveTheBuffers) {
    // Larger than the frame and than the picture buffer, with more bytes than it holds.
    std::vector<uint8_t> huge = solid_watermark(4000, 3000, 100, 100, 100);
    setSystem(4000, 3000, 0, 0, 1, huge);
    setUser(3000, 2000, -100, -100, 1, huge);
    Picture p(width, height, 200);
    e->addWaterMark(p.frame);
    // The system picture's rows that the buffer holds lie above the frame; the user picture
    // covers all of it.
    EXPECT_EQ(p.at(0, 0)[0], 113);
    EXPECT_EQ(p.at(height - 1, width - 1)[0], 113);

    // A frame shorter than it claims, a frame without data, no frame.
    Picture shortFrame(width, 10, 200);
    shortFrame.frame->height = height;
    e->addWaterMark(shortFrame.frame);
    EXPECT_EQ(shortFrame.at(9, 0)[0], 113);
    e->addWaterMark(nullptr);

    // Null data keeps nothing; a negative size keeps a zeroed picture.
    e->SetUserWatermarkInit(10, 10, 0, 0, 0);
    EXPECT_EQ(e->SetUserWatermarkBuf(nullptr, 400), 0);
    e->SetWatermarkInit(10, 10, 0, 0, 1);
    EXPECT_EQ(e->SetWatermarkBuf(huge.data(), -5), 0);
    e->SetRecType(7);
    Picture zero(width, height, 200);
    e->addWaterMark(zero.frame);
    EXPECT_EQ(zero.at(0, 0)[0], 28);
    e->SetRecType(REC_TYPE_FILE);
    EXPECT_EQ(e->SetWatermark1(huge.data(), 64), 0);
    EXPECT_EQ(e->SetWatermark1(nullptr, 64), 0);

    // Sizes no placement can work with are refused where they enter.
    EXPECT_EQ(e->SetWatermarkInit(INT_MIN, 10, 0, 0, 1), -2);
    EXPECT_EQ(e->SetUserWatermarkInit(10, -1, 0, 0, 1), -2);
    EXPECT_EQ(e->SetUserWatermarkInit(70000, 10, 0, 0, 1), -2);
    Picture after(width, height, 200);
    e->addWaterMark(after.frame);
}

// Recorded frames carry both watermarks, the user one on top and at its new place after a
// move; the preview surface carries none.
TEST(RecordedWatermarks, AppearInTheFileAndNotOnTheSurface) {
    RecordingSession s(recording_camera(false, "solid C8C8C8"));
    ASSERT_TRUE(s.startPreview(REC_MODE_VIDEO_ONLY));
    ASSERT_EQ(s.prepare(), 0);
    UVCPreview *e = s.engine();
    std::vector<uint8_t> grey = solid_watermark(200, 100, 100, 100, 100);
    e->SetWatermarkInit(200, 100, 0, 0, 1);
    e->SetWatermarkBuf(grey.data(), (int)grey.size());
    std::vector<uint8_t> black = solid_watermark(100, 100, 0, 0, 0);
    e->SetUserWatermarkInit(100, 100, 600, 600, 1);
    e->SetUserWatermarkBuf(black.data(), (int)black.size());

    const std::string path = temp_file("watermarks.mp4");
    ASSERT_EQ(s.start(path.c_str(), true), 0);
    ASSERT_TRUE(s.waitMorePosts(15));
    e->SetUserWatermarkXY(0, 0);
    ASSERT_TRUE(s.waitMorePosts(15));
    ASSERT_EQ(e->recordStop(), 0);

    const auto pictures = recorded_pictures(path, 1280, 720);
    ASSERT_GE(pictures.size(), 20u);
    auto value = [](const std::vector<uint8_t> &p, int row, int col) {
        return (int)p[((size_t)row * 1280 + col) * 4 + 1];
    };
    const auto &first = pictures[2], &last = pictures.back();
    EXPECT_NEAR(value(first, 670, 560), 113, 8);  // system watermark at row 620, column 540
    EXPECT_NEAR(value(first, 610, 720), 200, 8);
    EXPECT_NEAR(value(first, 670, 530), 200, 8);
    EXPECT_NEAR(value(first, 650, 650), 15, 8);  // user watermark on top of it
    EXPECT_NEAR(value(first, 50, 50), 200, 8);
    EXPECT_NEAR(value(last, 50, 50), 28, 8);  // moved to 0, 0
    EXPECT_NEAR(value(last, 650, 650), 113, 8);

    const ShownPicture shown = s.lastPicture();
    const std::vector<uint8_t> &surface = shown.pixels;
    const int w = shown.width;
    ASSERT_EQ(w, 1280);
    EXPECT_EQ(surface[((size_t)670 * w + 560) * 4 + 1], 200);
    EXPECT_EQ(surface[((size_t)50 * w + 50) * 4 + 1], 200);
}

}  // namespace
