// Recording a 1080p30 MJPEG counter camera with a 48 kHz stereo microphone to MP4 in real time:
// frames lost in the file (read back from the counter pattern), process CPU per recorded frame,
// beside the floor on the same camera frames in the same run (MJPEG decode + conversion + the
// recorder alone) and beside ffmpeg transcoding the same frames with the same x264 settings.
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <turbojpeg.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "LibMediaRecorder.h"
#include "UVCCamera.h"
#include "UVCPreview_audio.h"
#include "UVCPreview_record.h"
#include "bench_support.h"
#include "host_android.h"
#include "uvc_testing.h"

namespace {

const int kWidth = 1920, kHeight = 1080, kFps = 30, kRate = 48000, kChannels = 2;
const int kBitrate = 4000000;
const int kVid = 0x1bcf, kPid = 0x2c9a;

std::string write_description() {
    std::string path = "/tmp/recording_bench_" + std::to_string(getpid()) + ".conf";
    std::ofstream out(path);
    out << "vid = 0x1bcf\npid = 0x2c9a\nname = Bench Camera\nmjpeg = 1920x1080\n"
        << "default = mjpeg 1920x1080\nfps = " << kFps << "\npattern = counter\n"
        << "still_method = 0\nmicrophone = on\nmic_rates = 48000\nmic_channels = 2\n"
        << "mic_bits = 16\nmic_source = sine 440\n";
    return path;
}

// Camera frames taken straight from the camera library.
RecordedFrames g_frames;
const size_t kFloorFrames = 60;

struct EngineRun {
    double cpu = 0;
    int fileFrames = 0;
    int64_t lost = 0;
};

// Counts the counter numbers missing between the file's first and last readable frame.
void count_file_frames(const std::string &path, EngineRun *run) {
    int64_t first = -1, last = -1;
    for (int64_t counter : file_counters(path, 640, 360)) {
        if (counter < 0)
            continue;
        if (first < 0)
            first = counter;
        last = counter;
        run->fileFrames++;
    }
    if (first >= 0)
        run->lost = last - first + 1 - run->fileFrames;
}

EngineRun run_engine(int fd, int seconds, const std::string &path) {
    EngineRun run;
    UVCCamera camera;
    if (camera.connect(kVid, kPid, fd, nullptr, false, "") != 0) {
        fprintf(stderr, "camera did not connect\n");
        exit(1);
    }
    camera.setRecMode(RECORD_MODE_VIDEO_AUDIO);
    UVCPreview *engine = camera.preview();
    engine->set_UVC_Resolution(UVC_FRAME_FORMAT_MJPEG, kWidth, kHeight, 0);
    engine->setAudioSamplerate(kRate);
    ANativeWindow *window = host_window_create(16, 16);
    ANativeWindow_acquire(window);
    engine->setPreviewDisplay(window);
    camera.startPreview();
    while (host_window_post_count(window) < 10)
        usleep(10000);
    engine->setVideoFPS(kFps);
    engine->setVideoBitrate(kBitrate);
    engine->SetRecording(nullptr);
    int result = REC_NO_PICTURES;
    for (int i = 0; i < 10 && result == REC_NO_PICTURES; i++)
        result = engine->recordStart(false, path.c_str());
    if (result != 0) {
        fprintf(stderr, "recording did not start: %d\n", result);
        exit(1);
    }
    const double cpu0 = process_cpu_seconds();
    sleep(seconds);
    engine->recordStop();
    run.cpu = process_cpu_seconds() - cpu0;
    camera.release();
    ANativeWindow_release(window);
    count_file_frames(path, &run);
    return run;
}

// Decode, conversion and the recorder on the camera's own frames, fed as fast as the recorder
// takes them, with the matching stereo sound.
double floor_cpu_per_frame(int frames) {
    LibMediaRecorder *lib = LibMediaRecorder::getInstance();
    MediaRecorder *recorder = lib->getMediaRecorder();
    recorder->SetRecMode(MEDIA_REC_MODE_VIDEO_AUDIO);
    recorder->SetRecType(MEDIA_REC_TYPE_FILE);
    recorder->Init();
    recorder->SetFrameRate(kFps);
    recorder->SetBitrate(kBitrate);
    recorder->SetIFrameInterval(1);
    recorder->SetSampleRate(kRate);
    recorder->SetBit(16);
    recorder->SetChannel(kChannels);
    recorder->SetAudioByteRate(kRate * 2 * kChannels);
    recorder->SetOutputCallback([](void *, int, const MediaPacket *) {}, nullptr);
    recorder->Start(kWidth, kHeight, nullptr);
    const int samples = kRate / kFps;
    std::vector<uint8_t> pcm((size_t)samples * kChannels * 2);
    for (int i = 0; i < samples; i++) {
        int16_t v = (int16_t)(8000 * std::sin(2 * M_PI * 440 * i / kRate));
        ((int16_t *)pcm.data())[2 * i] = ((int16_t *)pcm.data())[2 * i + 1] = v;
    }
    tjhandle decoder = tjInitDecompress();
    std::vector<uint8_t> rgbx((size_t)kWidth * kHeight * 4), yuv((size_t)kWidth * kHeight * 3 / 2);
    const double cpu0 = process_cpu_seconds();
    for (int i = 0; i < frames; i++) {
        const std::vector<uint8_t> &jpeg = g_frames[i % g_frames.size()];
        tjDecompress2(decoder, jpeg.data(), jpeg.size(), rgbx.data(), kWidth, 0, kHeight, TJPF_RGBX,
                      TJFLAG_NOREALLOC | TJFLAG_FASTUPSAMPLE);
        convert_for_encoder(rgbx.data(), yuv.data(), kWidth, kHeight, ENCODER_COLOR_SEMIPLANAR);
        const int64_t t = 1000000000LL + (int64_t)i * 1000000 / kFps;
        while (recorder->write_Buffer(yuv.data(), t, 0, 0) == -2)
            usleep(500);
        while (recorder->write_AudioBuffer(pcm.data(), (int)pcm.size(), t) == -2)
            usleep(500);
    }
    recorder->Stop();
    const double cpu = process_cpu_seconds() - cpu0;
    recorder->Release();
    lib->releaseInstance();
    tjDestroy(decoder);
    return cpu / frames;
}

// ffmpeg transcoding the same MJPEG frames to H.264 with the recorder's x264 settings.
double ffmpeg_cpu_per_frame(int frames) {
    std::string input = "/tmp/recording_bench_" + std::to_string(getpid()) + ".mjpeg";
    {
        std::ofstream out(input, std::ios::binary);
        for (int i = 0; i < frames; i++) {
            const std::vector<uint8_t> &jpeg = g_frames[i % g_frames.size()];
            out.write(reinterpret_cast<const char *>(jpeg.data()), jpeg.size());
        }
    }
    const double cpu0 = children_cpu_seconds();
    std::string command = "ffmpeg -v error -y -f mjpeg -framerate 30 -i " + input +
                          " -c:v libx264 -preset ultrafast -tune zerolatency -b:v 4M -pix_fmt "
                          "yuv420p -f mp4 /dev/null";
    if (system(command.c_str()) != 0)
        fprintf(stderr, "ffmpeg failed\n");
    const double cpu = children_cpu_seconds() - cpu0;
    unlink(input.c_str());
    return cpu / frames;
}

}  // namespace

int main(int argc, char **argv) {
    const int seconds = argc > 1 && atoi(argv[1]) > 0 ? atoi(argv[1]) : 30;
    host_log_set_echo(false);
    std::string description = write_description();
    int fd = open(description.c_str(), O_RDONLY);
    printf(
        "recording bench: MJPEG %dx%d at %d fps + %d Hz %d channels, %d s, load %s on %u cores\n",
        kWidth, kHeight, kFps, kRate, kChannels, seconds, load_average().c_str(),
        std::thread::hardware_concurrency());

    g_frames =
        record_camera_frames(fd, kVid, kPid, UVC_FRAME_FORMAT_MJPEG, kWidth, kHeight, kFloorFrames);
    if (g_frames.empty()) {
        fprintf(stderr, "the camera sent no frames\n");
        return 1;
    }
    lseek(fd, 0, SEEK_SET);
    const std::string path = "/tmp/recording_bench_" + std::to_string(getpid()) + ".mp4";
    EngineRun run = run_engine(fd, seconds, path);
    const int floorFrames = 300;
    const double floor = floor_cpu_per_frame(floorFrames);
    const double ffmpeg = ffmpeg_cpu_per_frame(floorFrames);
    const double engine = run.fileFrames > 0 ? run.cpu / run.fileFrames : 0;

    printf("engine:  %d frames in the file, %lld lost (counter gaps), %.2f ms CPU per frame\n",
           run.fileFrames, (long long)run.lost, engine * 1e3);
    printf("floor:   %.2f ms CPU per frame (decode + conversion + recorder, %d frames)\n",
           floor * 1e3, floorFrames);
    printf("ffmpeg:  %.2f ms CPU per frame (MJPEG -> libx264 ultrafast zerolatency 4 Mbit/s)\n",
           ffmpeg * 1e3);
    printf("ratios:  engine / floor %.2f, engine / ffmpeg %.2f; load after %s\n",
           floor > 0 ? engine / floor : 0, ffmpeg > 0 ? engine / ffmpeg : 0,
           load_average().c_str());
    close(fd);
    unlink(description.c_str());
    unlink(path.c_str());
    return 0;
}
