#include "frame_producer.h"

#include <libyuv.h>
#include <turbojpeg.h>

#include "picture_pattern.h"

std::unique_ptr<FrameProducer> make_frame_producer(const CameraDescription &camera, int format,
                                                   int width, int height, std::string *error) {
    const ReplaySource &replay = camera.replay;
    if (replay.format == format && replay.size.width == width && replay.size.height == height)
        return make_replay_producer(replay, error);
    switch (format) {
        case 3:
            return make_yuyv_producer(camera, width, height);
        case 9:
            return make_mjpeg_producer(camera, width, height, error);
        case 13:
            return make_h264_producer(camera, width, height, error);
        default:
            *error = "no producer for format " + std::to_string(format);
            return nullptr;
    }
}

bool make_single_picture(const CameraDescription &camera, int format, int width, int height,
                         uint32_t number, std::string *bytes) {
    std::vector<uint8_t> variants[2];
    render_pattern(camera, 0, width, height, &variants[0]);
    render_pattern(camera, 1, width, height, &variants[1]);
    std::vector<uint8_t> rgbx = variants[0];
    const uint8_t *const sources[2] = {variants[0].data(), variants[1].data()};
    compose_plane(rgbx.data(), sources, width * 4, 4, width, height, 0, counter_cells(number));
    if (format == 3) {
        bytes->resize((size_t)width * height * 2);
        libyuv::ABGRToARGB(rgbx.data(), width * 4, rgbx.data(), width * 4, width, height);
        libyuv::ARGBToYUY2(rgbx.data(), width * 4, reinterpret_cast<uint8_t *>(&(*bytes)[0]),
                           width * 2, width, height);
        return true;
    }
    tjhandle compressor = tjInitCompress();
    if (!compressor)
        return false;
    unsigned char *jpeg = nullptr;
    unsigned long size = 0;
    bool ok = tjCompress2(compressor, rgbx.data(), width, 0, height, TJPF_RGBX, &jpeg, &size,
                          TJSAMP_420, 90, 0) == 0;
    if (ok)
        bytes->assign(reinterpret_cast<char *>(jpeg), size);
    tjFree(jpeg);
    tjDestroy(compressor);
    return ok;
}
