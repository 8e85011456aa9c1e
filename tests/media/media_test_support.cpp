#include "media_test_support.h"

#include <gtest/gtest.h>

#include <libyuv.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>

#include "media_formats.h"

std::vector<uint8_t> rgbxPicture(int width, int height, Rgb colour) {
    std::vector<uint8_t> picture((size_t)width * height * 4);
    for (size_t i = 0; i < picture.size(); i += 4) {
        picture[i] = colour.r;
        picture[i + 1] = colour.g;
        picture[i + 2] = colour.b;
        picture[i + 3] = 255;
    }
    return picture;
}

std::vector<uint8_t> encoderPicture(const std::vector<uint8_t> &rgbx, int w, int h,
                                    int color_format) {
    std::vector<uint8_t> out((size_t)w * h * 3 / 2);
    uint8_t *b = out.data();
    if (color_format == MEDIA_COLOR_FORMAT_YUV420_SEMIPLANAR) {
        libyuv::ARGBToNV21(rgbx.data(), w * 4, b, w, b + w * h, w, w, h);
    } else {
        libyuv::ARGBToI420(rgbx.data(), w * 4, b, w, b + w * h + ((w / 2) * h) / 2, w / 2,
                           b + w * h, w / 2, w, h);
    }
    return out;
}

std::vector<uint8_t> decodedToRgbx(const uint8_t *work, int w, int h, int color_format) {
    std::vector<uint8_t> out((size_t)w * h * 4);
    if (color_format == MEDIA_COLOR_FORMAT_YUV420_SEMIPLANAR) {
        libyuv::NV21ToARGB(work, w, work + w * h, w, out.data(), w * 4, w, h);
    } else {
        libyuv::I420ToARGB(work, w, work + w * h + ((w / 2) * h) / 2, w / 2, work + w * h, w / 2,
                           out.data(), w * 4, w, h);
    }
    return out;
}

std::vector<uint8_t> sinePcm(int sample_rate, int channels, int frames, int64_t first_frame) {
    std::vector<uint8_t> pcm((size_t)frames * channels * 2);
    int16_t *samples = (int16_t *)pcm.data();
    for (int i = 0; i < frames; i++) {
        double t = (double)(first_frame + i) / sample_rate;
        int16_t value = (int16_t)(12000 * std::sin(2 * M_PI * 440 * t));
        for (int c = 0; c < channels; c++)
            samples[(size_t)i * channels + c] = value;
    }
    return pcm;
}

bool looksLike(const uint8_t *pixel, Rgb colour) {
    return std::abs(pixel[0] - colour.r) < 70 && std::abs(pixel[1] - colour.g) < 70 &&
           std::abs(pixel[2] - colour.b) < 70;
}

bool fileExists(const std::string &path) {
    return access(path.c_str(), F_OK) == 0;
}

bool probeStream(const std::string &path, const char *kind, ProbedStream *stream) {
    bool found = false;
    for (const auto &[key, value] :
         ffprobe_fields(path, std::string("-count_packets -select_streams ") + kind +
                                  " -show_entries "
                                  "stream=codec_name,width,height,duration,nb_read_packets")) {
        if (key == "codec_name") {
            stream->codec = value;
            found = true;
        } else if (key == "width") {
            stream->width = atoi(value.c_str());
        } else if (key == "height") {
            stream->height = atoi(value.c_str());
        } else if (key == "duration" && value != "N/A") {
            stream->duration = atof(value.c_str());
        } else if (key == "nb_read_packets") {
            stream->packets = atoi(value.c_str());
        }
    }
    return found;
}

std::vector<std::vector<uint8_t>> decodeRgbFrames(const std::string &path, int width, int height) {
    return decoded_pictures(path, width, height, "rgb24", 3, "-fps_mode passthrough");
}

int open_muxer(FFMuxer *muxer, const FeedPlan &plan, const std::string &path) {
    FFMuxerVideoParam video{plan.width, plan.height, plan.fps, 0};
    FFMuxerAudioParam audio{0, plan.sample_rate, plan.channels, 0};
    int result = muxer->SetVideoParam(&video);
    result = result ? result : muxer->SetAudioParam(&audio);
    result = result ? result : muxer->SetStreamMask(48);
    return result ? result : muxer->Init(path.c_str());
}

void MuxerBridge::output(void *user, int type, const MediaPacket *packet) {
    MuxerBridge *bridge = (MuxerBridge *)user;
    std::lock_guard<std::mutex> lock(bridge->mutex);
    FFMuxer *muxer = bridge->muxer;
    const bool video = type == MEDIA_PACKET_VIDEO;
    if (muxer->IsReady() && !muxer->IsStarted()) {
        bridge->events.push_back("start");
        if (muxer->Start() < 0) {
            bridge->failures++;
            return;
        }
    }
    int result;
    if (packet->is_header) {
        bridge->events.push_back(video ? "video header" : "audio header");
        if (video)
            bridge->video_header.assign(packet->data, packet->data + packet->size);
        result = video ? muxer->WriteVideoHeader(packet) : muxer->WriteAudioHeader(packet);
    } else {
        bridge->events.push_back(video ? "video" : "audio");
        if (video) {
            bridge->video_pts.push_back(packet->pts_us);
            bridge->video_units.emplace_back(packet->data, packet->data + packet->size);
        }
        result = video ? muxer->writeVideoBuffer(packet) : muxer->writeAudioBuffer(packet);
    }
    if (result < 0)
        bridge->failures++;
}

Rgb colourOfFrame(const FeedPlan &plan, int index) {
    int third = index * 3 / plan.frames;
    return third == 0 ? kRed : third == 1 ? kGreen : kBlue;
}

static void expectColourThirds(const std::string &path, const FeedPlan &plan) {
    auto frames = decodeRgbFrames(path, plan.width, plan.height);
    ASSERT_EQ((int)frames.size(), plan.frames);
    for (int i : {plan.frames / 6, plan.frames / 2, plan.frames * 5 / 6}) {
        const uint8_t *centre = &frames[i][((plan.height / 2) * plan.width + plan.width / 2) * 3];
        Rgb want = colourOfFrame(plan, i);
        EXPECT_TRUE(looksLike(centre, want)) << "frame " << i << " is " << (int)centre[0] << ","
                                             << (int)centre[1] << "," << (int)centre[2];
    }
}

void expectPlayableFile(const std::string &path, const FeedPlan &plan) {
    ProbedStream video, audio;
    ASSERT_TRUE(probeStream(path, "v", &video)) << path;
    EXPECT_EQ(video.codec, "h264");
    EXPECT_EQ(video.width, plan.width);
    EXPECT_EQ(video.height, plan.height);
    EXPECT_EQ(video.packets, plan.frames);
    const double seconds = (double)plan.frames / plan.fps;
    EXPECT_NEAR(video.duration, seconds, 1.0 / plan.fps);
    if (plan.audio) {
        ASSERT_TRUE(probeStream(path, "a", &audio));
        EXPECT_EQ(audio.codec, "aac");
        EXPECT_NEAR(audio.duration, seconds, 1.0 / plan.fps);
    } else {
        EXPECT_FALSE(probeStream(path, "a", &audio));
    }
    expectColourThirds(path, plan);
}
