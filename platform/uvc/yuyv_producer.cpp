// YUYV frames: both pattern variants (and their clap-marker pictures) are converted once; a frame
// copies each cell's rows from the variant its bit selects.
#include <libyuv.h>

#include "frame_producer.h"
#include "picture_pattern.h"

namespace {

class YuyvProducer : public FrameProducer {
  public:
    YuyvProducer(const CameraDescription &camera, int width, int height)
        : width_(width), height_(height) {
        std::vector<uint8_t> rgbx;
        for (int clap = 0; clap < (camera.clapper_ms > 0 ? 2 : 1); ++clap) {
            for (int v = 0; v < 2; ++v) {
                render_picture(camera, 0, v, clap, width, height, &rgbx);
                std::vector<uint8_t> &packed = variants_[clap][v];
                packed.resize((size_t)width * height * 2);
                // R, G, B, X bytes are libyuv's "ABGR"; swap to its "ARGB" before packing.
                libyuv::ABGRToARGB(rgbx.data(), width * 4, rgbx.data(), width * 4, width, height);
                libyuv::ARGBToYUY2(rgbx.data(), width * 4, packed.data(), width * 2, width, height);
            }
        }
        frame_ = variants_[0][0];
    }

    bool produce(uint32_t number, bool clap, uint8_t **data, size_t *bytes) override {
        const std::vector<uint8_t> *look = variants_[clap && !variants_[1][0].empty() ? 1 : 0];
        const uint8_t *const sources[2] = {look[0].data(), look[1].data()};
        compose_plane(frame_.data(), sources, width_ * 2, 2, width_, height_, 0,
                      counter_cells(number));
        *data = frame_.data();
        *bytes = frame_.size();
        return true;
    }

  private:
    int width_, height_;
    std::vector<uint8_t> variants_[2][2];  // without and with the clap marker, then variant
    std::vector<uint8_t> frame_;
};

}  // namespace

std::unique_ptr<FrameProducer> make_yuyv_producer(const CameraDescription &camera, int width,
                                                  int height) {
    return std::unique_ptr<FrameProducer>(new YuyvProducer(camera, width, height));
}
