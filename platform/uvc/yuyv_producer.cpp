// YUYV frames: both pattern variants are converted once; a frame copies each cell's rows from
// the variant its bit selects.
#include <libyuv.h>

#include "frame_producer.h"
#include "picture_pattern.h"

namespace {

class YuyvProducer : public FrameProducer {
  public:
    YuyvProducer(const CameraDescription &camera, int width, int height)
        : width_(width), height_(height) {
        std::vector<uint8_t> rgbx;
        for (int v = 0; v < 2; ++v) {
            render_pattern(camera, v, width, height, &rgbx);
            variants_[v].resize((size_t)width * height * 2);
            // R, G, B, X bytes are libyuv's "ABGR"; swap to its "ARGB" before packing.
            libyuv::ABGRToARGB(rgbx.data(), width * 4, rgbx.data(), width * 4, width, height);
            libyuv::ARGBToYUY2(rgbx.data(), width * 4, variants_[v].data(), width * 2, width,
                               height);
        }
        frame_ = variants_[0];
    }

    bool produce(uint32_t number, uint8_t **data, size_t *bytes) override {
        const uint8_t *const sources[2] = {variants_[0].data(), variants_[1].data()};
        compose_plane(frame_.data(), sources, width_ * 2, 2, width_, height_, 0,
                      counter_cells(number));
        *data = frame_.data();
        *bytes = frame_.size();
        return true;
    }

  private:
    int width_, height_;
    std::vector<uint8_t> variants_[2];
    std::vector<uint8_t> frame_;
};

}  // namespace

std::unique_ptr<FrameProducer> make_yuyv_producer(const CameraDescription &camera, int width,
                                                  int height) {
    return std::unique_ptr<FrameProducer>(new YuyvProducer(camera, width, height));
}
