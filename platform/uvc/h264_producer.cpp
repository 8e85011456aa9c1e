// H.264 frames: the pattern variants (and their clap-marker pictures) are converted to 4:2:0 once;
// each frame is assembled cell by cell and encoded with libx264 through libavcodec. The output is
// Annex B with SPS/PPS in band before every IDR; an IDR starts the stream and recurs once a second.
extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/imgutils.h>
#include <libavutil/opt.h>
}
#include <libyuv.h>
#include <string.h>

#include "frame_producer.h"
#include "picture_pattern.h"

namespace {

class H264Producer : public FrameProducer {
  public:
    ~H264Producer() override {
        av_packet_free(&packet_);
        av_frame_free(&frame_);
        avcodec_free_context(&codec_);
    }

    bool prepare(const CameraDescription &camera, int width, int height, std::string *error) {
        const AVCodec *encoder = avcodec_find_encoder_by_name("libx264");
        codec_ = encoder ? avcodec_alloc_context3(encoder) : nullptr;
        frame_ = av_frame_alloc();
        packet_ = av_packet_alloc();
        if (!codec_ || !frame_ || !packet_) {
            *error = "libx264 encoder not available";
            return false;
        }
        codec_->width = width;
        codec_->height = height;
        codec_->pix_fmt = AV_PIX_FMT_YUV420P;
        codec_->time_base = AVRational{1, camera.fps};
        codec_->framerate = AVRational{camera.fps, 1};
        codec_->gop_size = camera.fps;
        codec_->max_b_frames = 0;
        codec_->thread_count = 1;
        av_opt_set(codec_->priv_data, "preset", "ultrafast", 0);
        av_opt_set(codec_->priv_data, "tune", "zerolatency", 0);
        av_opt_set(codec_->priv_data, "x264-params", "scenecut=0:repeat-headers=1:log=-1", 0);
        frame_->format = AV_PIX_FMT_YUV420P;
        frame_->width = width;
        frame_->height = height;
        if (avcodec_open2(codec_, encoder, nullptr) < 0 || av_frame_get_buffer(frame_, 0) < 0) {
            *error = "libx264 encoder could not be opened";
            return false;
        }
        width_ = width;
        height_ = height;
        std::vector<uint8_t> rgbx;
        for (int clap = 0; clap < (camera.clapper_ms > 0 ? 2 : 1); ++clap) {
            for (int v = 0; v < 2; ++v) {
                render_picture(camera, 0, v, clap, width, height, &rgbx);
                std::vector<uint8_t> *planes = planes_[clap][v];
                for (int plane = 0; plane < 3; ++plane) {
                    planes[plane].resize((size_t)frame_->linesize[plane] *
                                         (plane ? height / 2 : height));
                }
                // R, G, B, X bytes are libyuv's "ABGR".
                libyuv::ABGRToI420(rgbx.data(), width * 4, planes[0].data(), frame_->linesize[0],
                                   planes[1].data(), frame_->linesize[1], planes[2].data(),
                                   frame_->linesize[2], width, height);
            }
        }
        return true;
    }

    bool produce(uint32_t number, bool clap, uint8_t **data, size_t *bytes) override {
        if (av_frame_make_writable(frame_) < 0)
            return false;
        uint32_t cells = counter_cells(number);
        const auto &look = planes_[clap && !planes_[1][0][0].empty() ? 1 : 0];
        for (int plane = 0; plane < 3; ++plane) {
            const uint8_t *const sources[2] = {look[0][plane].data(), look[1][plane].data()};
            compose_plane(frame_->data[plane], sources, frame_->linesize[plane], 1, width_, height_,
                          plane ? 1 : 0, cells);
        }
        frame_->pts = number;
        if (avcodec_send_frame(codec_, frame_) < 0)
            return false;
        av_packet_unref(packet_);
        if (avcodec_receive_packet(codec_, packet_) < 0)
            return false;
        output_.assign(packet_->data, packet_->data + packet_->size);
        *data = output_.data();
        *bytes = output_.size();
        return true;
    }

  private:
    AVCodecContext *codec_ = nullptr;
    AVFrame *frame_ = nullptr;
    AVPacket *packet_ = nullptr;
    int width_ = 0, height_ = 0;
    // Without and with the clap marker, then variant, then Y, U, V with the frame's line sizes.
    std::vector<uint8_t> planes_[2][2][3];
    std::vector<uint8_t> output_;
};

}  // namespace

std::unique_ptr<FrameProducer> make_h264_producer(const CameraDescription &camera, int width,
                                                  int height, std::string *error) {
    std::unique_ptr<H264Producer> producer(new H264Producer());
    if (!producer->prepare(camera, width, height, error))
        return nullptr;
    return producer;
}
