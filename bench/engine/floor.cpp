#include "floor.h"

#include <libyuv.h>
#include <time.h>
#include <turbojpeg.h>

#include <algorithm>

#include "LibMediaDecoder.h"

namespace {

const int kH264 = 13;

// One conversion and one copy into the window a frame. MJPEG: decode to R, G, B, X as the
// engine asks TurboJPEG to. YUYV: libyuv converts only to B, G, R, A; the R/B swap is the copy
// into the window. H.264: the decoder library, then its 4:2:0 picture (Cb first, or planar)
// converted to R, G, B, X, then the copy.
class FloorPath {
  public:
    FloorPath(int format, int width, int height)
        : format_(format),
          width_(width),
          height_(height),
          picture_((size_t)width * height * 4),
          window_(picture_.size()) {
        if (format == kH264) {
            library_ = LibMediaDecoder::getInstance();
            decoder_ = library_->getMediaDecoder();
            decoder_->Init();
            decoder_->Start(width, height);
            decoded_.resize(picture_.size());
        } else {
            tj_ = tjInitDecompress();
        }
    }
    ~FloorPath() {
        if (decoder_) {
            decoder_->Stop();
            decoder_->Release();
            library_->releaseInstance();
        }
        if (tj_)
            tjDestroy(tj_);
    }

    void make_picture(const std::vector<uint8_t> &in) {
        const int step = width_ * 4;
        uint8_t *picture = picture_.data();
        if (format_ == 9) {
            tjDecompress2(tj_, in.data(), in.size(), picture, width_, 0, height_, TJPF_RGBX,
                          TJFLAG_NOREALLOC | TJFLAG_FASTUPSAMPLE);
            std::copy(picture_.begin(), picture_.end(), window_.begin());
        } else if (format_ == kH264) {
            decode(in);
            std::copy(picture_.begin(), picture_.end(), window_.begin());
        } else {
            libyuv::YUY2ToARGB(in.data(), width_ * 2, picture, step, width_, height_);
            libyuv::ARGBToABGR(picture, step, window_.data(), step, width_, height_);
        }
    }

  private:
    void decode(const std::vector<uint8_t> &unit) {
        decoder_->PutData(const_cast<uint8_t *>(unit.data()), (int)unit.size());
        int bytes = 0;
        const int format = decoder_->GetDecodeData(decoded_.data(), &bytes, (int)decoded_.size());
        const int w = width_, h = height_;
        const uint8_t *luma = decoded_.data(), *chroma = luma + (size_t)w * h;
        if (format == MEDIA_COLOR_FORMAT_YUV420_PLANAR) {
            const uint8_t *cr = chroma + (size_t)(w / 2) * (h / 2);
            libyuv::I420ToABGR(luma, w, chroma, w / 2, cr, w / 2, picture_.data(), w * 4, w, h);
        } else if (format == MEDIA_COLOR_FORMAT_YUV420_SEMIPLANAR) {
            libyuv::NV12ToABGR(luma, w, chroma, w, picture_.data(), w * 4, w, h);
        }
    }

    int format_, width_, height_;
    std::vector<uint8_t> picture_, window_, decoded_;
    tjhandle tj_ = nullptr;
    LibMediaDecoder *library_ = nullptr;
    MediaDecoder *decoder_ = nullptr;
};

}  // namespace

double floor_cpu_per_frame(int format, int width, int height, const RecordedFrames &frames,
                           int count, int fps) {
    FloorPath path(format, width, height);
    // One frame first, so that the buffers are faulted in before the clock starts; the H.264
    // decoder then goes on from the next frame of the sequence.
    path.make_picture(frames[0]);
    timespec deadline;
    clock_gettime(CLOCK_MONOTONIC, &deadline);
    const long period = fps > 0 ? 1000000000L / fps : 0;
    const double start = process_cpu_seconds();
    for (int i = 1; i <= count; i++) {
        if (period) {
            deadline.tv_nsec += period;
            if (deadline.tv_nsec >= 1000000000L) {
                deadline.tv_nsec -= 1000000000L;
                deadline.tv_sec++;
            }
            clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &deadline, nullptr);
        }
        path.make_picture(frames[i % frames.size()]);
    }
    return (process_cpu_seconds() - start) / count;
}
