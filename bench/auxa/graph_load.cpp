// CPU cost of the microphone's capture thread: a bare source -> callback graph against the
// graph the engine builds (48 kHz -> 44.1 kHz resampler, all audio processing on, two
// callbacks), each captured for one second in the same run. Prints CPU seconds per second of
// audio and their ratio.
#include <stdio.h>
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>

#include "auxa_lumivo.h"

namespace {

double cpu_seconds() {
    struct rusage usage;
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

void count_block(void *user, unsigned char *, int, void *) {
    ++*static_cast<long *>(user);
}

CDataDistributor *callback_below(_AUXA_DEV *device, CDataDistributor *from, const char *name,
                                 long *counter) {
    CDataDistributor *node = nullptr;
    AuxaBlockCallback function = &count_block;
    void *user = counter;
    AuxaDstCreate(device, AUXA_NODE_CALLBACK, name, &node);
    AuxaDstSetConfig(device, node, AUXA_CALLBACK_FUNCTION, &function);
    AuxaDstSetConfig(device, node, AUXA_CALLBACK_USER, &user);
    AuxaDstLink(device, from, node);
    return node;
}

void build_engine_graph(_AUXA_DEV *device, CDataDistributor *source, long *counter) {
    CDataDistributor *resampler = nullptr, *processing = nullptr;
    AuxaDstCreate(device, AUXA_NODE_RESAMPLER, "resampler", &resampler);
    int rate = 44100, bits = 16, channels = 1, db = 25;
    AuxaDstSetConfig(device, resampler, AUXA_RESAMPLER_RATE, &rate);
    AuxaDstSetConfig(device, resampler, AUXA_RESAMPLER_BITS, &bits);
    AuxaDstSetConfig(device, resampler, AUXA_RESAMPLER_CHANNELS, &channels);
    AuxaDstLink(device, source, resampler);
    AuxaDstCreate(device, AUXA_NODE_PROCESSING, "processing", &processing);
    uint8_t on = 1;
    for (int id : {AUXA_PROCESSING_DENOISE, AUXA_PROCESSING_AGC, AUXA_PROCESSING_ECHO_CANCEL,
                   AUXA_PROCESSING_DEREVERB}) {
        AuxaDstSetConfig(device, processing, id, &on);
    }
    AuxaDstSetConfig(device, processing, AUXA_PROCESSING_DENOISE_DB, &db);
    AuxaDstLink(device, resampler, processing);
    callback_below(device, processing, "volume", counter);
    callback_below(device, processing, "data", counter);
}

// CPU seconds spent per second of captured audio, or -1 when the device cannot capture.
double measure(bool engine_graph) {
    char path[] = "/tmp/auxa_benchXXXXXX";
    int fd = mkstemp(path);
    unlink(path);
    std::string text =
        "vid = 1\npid = 2\nmicrophone = on\nmic_rates = 48000\n"
        "mic_source = noise 0.2\n";
    if (write(fd, text.data(), text.size()) != (ssize_t)text.size())
        return -1;
    _AUXA_CONTEXT *context = nullptr;
    _AUXA_DEV *device = nullptr;
    AuxaInit(&context, nullptr, nullptr);
    double result = -1;
    if (AuxaOpen(context, 1, 2, &device, fd, nullptr) == AUXA_OK) {
        CDataDistributor *source = nullptr;
        AuxaDstGet(device, AUXA_NODE_SOURCE, nullptr, &source);
        long blocks = 0;
        if (engine_graph) {
            build_engine_graph(device, source, &blocks);
        } else {
            callback_below(device, source, "data", &blocks);
        }
        double before = cpu_seconds();
        auto start = std::chrono::steady_clock::now();
        if (AuxaStart(device) == AUXA_OK) {
            std::this_thread::sleep_for(std::chrono::seconds(1));
            AuxaStop(device);
            double wall =
                std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
            result = (cpu_seconds() - before) / wall;
        }
    }
    AuxaDeInit(context);
    close(fd);
    return result;
}

}  // namespace

int main() {
    double bare = measure(false);
    double engine = measure(true);
    printf("capture thread CPU per second of audio: bare graph %.4f, engine graph %.4f\n", bare,
           engine);
    printf("engine graph / bare graph: %.1f; engine graph load of one core: %.1f%%\n",
           bare > 0 ? engine / bare : 0.0, engine * 100);
    return bare < 0 || engine < 0;
}
