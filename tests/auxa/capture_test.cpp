// Real-time capture through the graph: resampling, levels, time stamps, audio processing and
// the start / stop guarantees.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstring>
#include <thread>

#include "auxa_lumivo.h"
#include "auxa_test_support.h"
#include "wait_until.h"

namespace {

int64_t monotonic_us() {
    return std::chrono::duration_cast<std::chrono::microseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

CDataDistributor *source_of(_AUXA_DEV *device) {
    CDataDistributor *source = nullptr;
    EXPECT_EQ(AuxaDstGet(device, AUXA_NODE_SOURCE, nullptr, &source), AUXA_OK);
    return source;
}

CDataDistributor *add_node(_AUXA_DEV *device, int kind, const char *name, CDataDistributor *from) {
    CDataDistributor *node = nullptr;
    EXPECT_EQ(AuxaDstCreate(device, kind, name, &node), AUXA_OK);
    EXPECT_EQ(AuxaDstLink(device, from, node), AUXA_OK);
    return node;
}

void configure(_AUXA_DEV *device, CDataDistributor *node, int id, int value) {
    EXPECT_EQ(AuxaDstSetConfig(device, node, id, &value), AUXA_OK) << std::hex << id;
}

void switch_on(_AUXA_DEV *device, CDataDistributor *node, int id, bool on) {
    uint8_t value = on ? 1 : 0;
    EXPECT_EQ(AuxaDstSetConfig(device, node, id, &value), AUXA_OK) << std::hex << id;
}

// A microphone whose source feeds a processing node, which feeds a collector.
struct ProcessingChain {
    explicit ProcessingChain(const std::string &extra) : mic(mic_description(extra)) {
        EXPECT_EQ(mic.open_result, AUXA_OK);
        device = mic.device;
        processing = add_node(device, AUXA_NODE_PROCESSING, "processing", source_of(device));
        callback = attach_collector(device, processing, &collector, "cb");
    }
    OpenMic mic;
    _AUXA_DEV *device = nullptr;
    CDataDistributor *processing = nullptr, *callback = nullptr;
    BlockCollector collector;
};

TEST(AuxaCapture, ResampledSineKeepsItsFrequencyRateAndTimeStamps) {
    OpenMic mic(mic_description("mic_rates = 44100, 48000\nmic_source = sine 440\n"));
    ASSERT_EQ(mic.open_result, AUXA_OK);
    _AUXA_DEV *device = mic.device;
    ASSERT_EQ(AuxaSetSampleRate(device, 48000), AUXA_OK);
    CDataDistributor *resampler = add_node(device, AUXA_NODE_RESAMPLER, "r", source_of(device));
    configure(device, resampler, AUXA_RESAMPLER_RATE, 44100);
    configure(device, resampler, AUXA_RESAMPLER_BITS, 16);
    configure(device, resampler, AUXA_RESAMPLER_CHANNELS, 1);
    BlockCollector collector;
    attach_collector(device, resampler, &collector, "cb");

    int64_t started = monotonic_us();
    capture_for(device, 1000);
    int64_t stopped = monotonic_us();

    std::vector<ReceivedBlock> blocks = collector.blocks();
    ASSERT_GT(blocks.size(), 80u);
    // Real time: about one 441-frame block every 10 ms.
    double seconds = (stopped - started) / 1e6;
    EXPECT_NEAR(blocks.size() / seconds, 100.0, 12.0);
    for (size_t i = 0; i < blocks.size(); i++) {
        const AuxaBlockInfo &info = blocks[i].info;
        ASSERT_EQ(info.sample_rate, 44100);
        ASSERT_EQ(info.channels, 1);
        ASSERT_EQ(info.bits, 16);
        ASSERT_EQ(info.frames, 441);
        ASSERT_EQ(blocks[i].bytes.size(), 882u);
        if (i > 0) {
            ASSERT_EQ(info.timestamp_us - blocks[i - 1].info.timestamp_us, 10000) << i;
        }
    }
    EXPECT_GE(blocks.front().info.timestamp_us, started);
    EXPECT_LT(blocks.back().info.timestamp_us, stopped);
    // Amplitude 0.5 of full scale: peak near 16384, RMS near 16384 / sqrt(2).
    EXPECT_NEAR(blocks[10].info.peak, 16384, 300);
    EXPECT_NEAR(blocks[10].info.rms, 11585, 300);

    std::vector<int16_t> samples = collector.samples();
    EXPECT_NEAR(frequency_of(samples, 44100), 440.0, 1.0);
}

TEST(AuxaCapture, ChannelsAndSampleSizesAreConverted) {
    OpenMic mic(
        mic_description("mic_rates = 16000\nmic_channels = 2\nmic_bits = 24\n"
                        "mic_source = sine 1000 0.25\n"));
    ASSERT_EQ(mic.open_result, AUXA_OK);
    _AUXA_DEV *device = mic.device;
    CDataDistributor *source = source_of(device);
    CDataDistributor *to_mono = add_node(device, AUXA_NODE_RESAMPLER, "mono", source);
    configure(device, to_mono, AUXA_RESAMPLER_CHANNELS, 1);
    configure(device, to_mono, AUXA_RESAMPLER_BITS, 16);
    BlockCollector mono, raw;
    attach_collector(device, to_mono, &mono, "mono cb");
    attach_collector(device, source, &raw, "raw cb");
    capture_for(device, 300);

    std::vector<ReceivedBlock> raw_blocks = raw.blocks();
    ASSERT_FALSE(raw_blocks.empty());
    EXPECT_EQ(raw_blocks[0].info.bits, 24);
    EXPECT_EQ(raw_blocks[0].info.channels, 2);
    EXPECT_EQ(raw_blocks[0].bytes.size(), 160u * 2 * 3);
    // Both channels carry the same 24-bit samples, peaking at a quarter of full scale.
    const uint8_t *bytes = raw_blocks[0].bytes.data();
    int32_t largest = 0;
    for (int frame = 0; frame < 160; frame++) {
        const uint8_t *left = bytes + frame * 6;
        ASSERT_EQ(memcmp(left, left + 3, 3), 0);
        int32_t value =
            (int32_t)((uint32_t)left[0] << 8 | (uint32_t)left[1] << 16 | (uint32_t)left[2] << 24) >>
            8;
        largest = std::max(largest, std::abs(value));
    }
    EXPECT_NEAR(largest, 0.25 * 8388608, 0.01 * 8388608);

    std::vector<ReceivedBlock> mono_blocks = mono.blocks();
    ASSERT_FALSE(mono_blocks.empty());
    EXPECT_EQ(mono_blocks[0].bytes.size(), 160u * 2);
    EXPECT_NEAR(frequency_of(mono.samples(), 16000), 1000.0, 3.0);
    EXPECT_NEAR(mono_blocks.back().info.peak, 8192, 200);
}

TEST(AuxaCapture, VolumeScalesTheSamples) {
    OpenMic mic(mic_description("mic_source = sine 440 0.8\n"));
    ASSERT_EQ(mic.open_result, AUXA_OK);
    BlockCollector collector;
    attach_collector(mic.device, source_of(mic.device), &collector, "cb");
    ASSERT_EQ(AuxaStart(mic.device), AUXA_OK);
    ASSERT_TRUE(wait_until([&] { return collector.count() >= 5; }, 5000));
    size_t loud_blocks = collector.count();
    int volume = 25;
    ASSERT_EQ(AuxaSetConfiguration(mic.device, AUXA_CONFIG_VOLUME, &volume), AUXA_OK);
    ASSERT_TRUE(wait_until([&] { return collector.count() > loud_blocks + 10; }, 5000));
    ASSERT_EQ(AuxaStop(mic.device), AUXA_OK);

    std::vector<ReceivedBlock> blocks = collector.blocks();
    ASSERT_GT(blocks.size(), loud_blocks + 5);
    EXPECT_NEAR(blocks[0].info.peak, 0.8 * 32767, 200);
    EXPECT_NEAR(blocks.back().info.peak, 0.2 * 32767, 100);
    EXPECT_NEAR((double)blocks.back().info.rms / blocks[0].info.rms, 0.25, 0.01);
}

TEST(AuxaCapture, DenoiseLowersTheNoiseClearly) {
    ProcessingChain chain("mic_source = noise 0.1\n");
    _AUXA_DEV *device = chain.device;
    switch_on(device, chain.processing, AUXA_PROCESSING_DENOISE, true);
    configure(device, chain.processing, AUXA_PROCESSING_DENOISE_DB, 30);
    BlockCollector raw;
    attach_collector(device, source_of(device), &raw, "raw");
    capture_for(device, 1000);

    std::vector<int16_t> before = raw.samples(), after = chain.collector.samples();
    ASSERT_GT(after.size(), 40000u);
    size_t tail = 16000;  // the last third of a second, after the noise estimate settled
    double raw_rms = rms_of(before, before.size() - tail, tail);
    double denoised_rms = rms_of(after, after.size() - tail, tail);
    EXPECT_NEAR(raw_rms, 0.1 * 32768 / std::sqrt(3.0), 100);
    EXPECT_LT(denoised_rms, raw_rms * 0.3) << raw_rms << " -> " << denoised_rms;
}

TEST(AuxaCapture, AgcRaisesAQuietSineSwitchedOnWhileRunning) {
    ProcessingChain chain("mic_rates = 16000\nmic_source = sine 440 0.02\n");
    _AUXA_DEV *device = chain.device;
    CDataDistributor *processing = chain.processing;
    ASSERT_EQ(AuxaStart(device), AUXA_OK);
    // A tenth of a second of sound before the switch, a second in all (10 ms blocks).
    ASSERT_TRUE(wait_until([&] { return chain.collector.count() >= 10; }, 5000));
    configure(device, processing, AUXA_PROCESSING_AGC_LEVEL, 16000);
    switch_on(device, processing, AUXA_PROCESSING_AGC, true);
    ASSERT_TRUE(wait_until([&] { return chain.collector.count() >= 100; }, 10000));
    ASSERT_EQ(AuxaStop(device), AUXA_OK);

    std::vector<int16_t> samples = chain.collector.samples();
    ASSERT_GT(samples.size(), 12000u);
    double quiet = rms_of(samples, 0, 800);
    double raised = rms_of(samples, samples.size() - 3200, 3200);
    EXPECT_NEAR(quiet, 0.02 * 32768 / std::sqrt(2.0), 20);
    EXPECT_GT(raised, quiet * 2) << quiet << " -> " << raised;
    EXPECT_NEAR(frequency_of(std::vector<int16_t>(samples.end() - 3200, samples.end()), 16000),
                440.0, 10.0);
}

TEST(AuxaCapture, EchoCancelAndDereverbKeepAPlainSignal) {
    ProcessingChain chain("mic_rates = 16000\nmic_source = sine 440 0.3\n");
    _AUXA_DEV *device = chain.device;
    switch_on(device, chain.processing, AUXA_PROCESSING_ECHO_CANCEL, true);
    configure(device, chain.processing, AUXA_PROCESSING_ECHO_DB, 40);
    configure(device, chain.processing, AUXA_PROCESSING_ECHO_ACTIVE_DB, 15);
    switch_on(device, chain.processing, AUXA_PROCESSING_DEREVERB, true);
    capture_for(device, 500);

    std::vector<int16_t> samples = chain.collector.samples();
    ASSERT_GT(samples.size(), 4800u);
    double level = rms_of(samples, samples.size() - 3200, 3200);
    EXPECT_GT(level, 0.3 * 32768 / std::sqrt(2.0) * 0.5);
    EXPECT_NEAR(frequency_of(samples, 16000), 440.0, 5.0);
}

TEST(AuxaCapture, StartAndStopTwiceAndNoCallbackAfterStop) {
    OpenMic mic(mic_description("mic_rates = 8000\n"));
    ASSERT_EQ(mic.open_result, AUXA_OK);
    _AUXA_DEV *device = mic.device;
    EXPECT_EQ(AuxaStop(device), AUXA_OK);  // nothing to stop
    BlockCollector collector;
    attach_collector(device, source_of(device), &collector, "cb");
    EXPECT_EQ(AuxaStart(device), AUXA_OK);
    EXPECT_EQ(AuxaStart(device), AUXA_OK);
    ASSERT_TRUE(wait_until([&] { return collector.count() > 5; }, 5000));
    EXPECT_EQ(AuxaStop(device), AUXA_OK);
    EXPECT_EQ(AuxaStop(device), AUXA_OK);
    size_t after_stop = collector.count();
    EXPECT_GT(after_stop, 5u);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(collector.count(), after_stop);

    // Building the same graph again for a second capture keeps one path, not two.
    attach_collector(device, source_of(device), &collector, "cb");
    capture_for(device, 200);
    std::vector<ReceivedBlock> blocks = collector.blocks();
    for (size_t i = after_stop + 1; i < blocks.size(); i++) {
        ASSERT_EQ(blocks[i].info.timestamp_us - blocks[i - 1].info.timestamp_us, 10000) << i;
    }
    EXPECT_GT(blocks[after_stop].info.timestamp_us, blocks[after_stop - 1].info.timestamp_us);
}

// Calls back into the library from the first block's callback: stop, close and start while
// capture runs, then start again while another thread is stopping the capture.
struct ReentrantCallback {
    _AUXA_DEV *device = nullptr;
    std::atomic<bool> entered{false}, stop_asked{false};
    std::atomic<int> stop_result{-1}, close_result{-1}, start_result{-1}, restart_result{-1};

    static void on_block(void *user, unsigned char *, int, void *) {
        ReentrantCallback *self = static_cast<ReentrantCallback *>(user);
        if (self->entered.exchange(true))
            return;
        self->stop_result = AuxaStop(self->device);
        self->close_result = AuxaClose(self->device);
        self->start_result = AuxaStart(self->device);
        for (int i = 0; i < 200 && !self->stop_asked; i++) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        self->restart_result = AuxaStart(self->device);
    }
};

TEST(AuxaCapture, CallbacksCannotStopOrWaitForTheirOwnThread) {
    OpenMic mic(mic_description(""));
    ASSERT_EQ(mic.open_result, AUXA_OK);
    ReentrantCallback probe;
    probe.device = mic.device;
    attach_callback(mic.device, source_of(mic.device), &ReentrantCallback::on_block, &probe, "cb");
    ASSERT_EQ(AuxaStart(mic.device), AUXA_OK);
    while (probe.start_result == -1)
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    probe.stop_asked = true;
    EXPECT_EQ(AuxaStop(mic.device), AUXA_OK);
    EXPECT_EQ(probe.stop_result.load(), AUXA_ERROR_BUSY);
    EXPECT_EQ(probe.close_result.load(), AUXA_ERROR_BUSY);
    EXPECT_EQ(probe.start_result.load(), AUXA_OK);
    EXPECT_EQ(probe.restart_result.load(), AUXA_ERROR_BUSY);
}

TEST(AuxaCapture, StartStopAndSettingsFromSeveralThreadsWhileCallbacksRun) {
    ProcessingChain chain("mic_rates = 16000\nmic_source = noise 0.2\n");
    _AUXA_DEV *device = chain.device;
    CDataDistributor *processing = chain.processing;
    BlockCollector &collector = chain.collector;

    std::atomic<bool> done{false};
    auto toggle = [&] {
        for (int i = 0; i < 15; i++) {
            EXPECT_EQ(AuxaStart(device), AUXA_OK);
            std::this_thread::sleep_for(std::chrono::milliseconds(12));
            EXPECT_EQ(AuxaStop(device), AUXA_OK);
        }
    };
    auto settings = [&] {
        for (int i = 0; !done; i++) {
            switch_on(device, processing, AUXA_PROCESSING_DENOISE, i % 2);
            switch_on(device, processing, AUXA_PROCESSING_AGC, i % 3 == 0);
            switch_on(device, processing, AUXA_PROCESSING_ECHO_CANCEL, i % 4 == 0);
            int volume = i % 101;
            EXPECT_EQ(AuxaSetConfiguration(device, AUXA_CONFIG_VOLUME, &volume), AUXA_OK);
            void *user = &collector;
            EXPECT_EQ(AuxaDstSetConfig(device, chain.callback, AUXA_CALLBACK_USER, &user), AUXA_OK);
            std::this_thread::sleep_for(std::chrono::milliseconds(3));
        }
    };
    std::thread first(toggle), second(toggle), third(settings);
    first.join();
    second.join();
    done = true;
    third.join();
    // Capture still runs after the storm (short runs under load may have delivered nothing yet),
    // and nothing arrives once it is stopped.
    ASSERT_EQ(AuxaStart(device), AUXA_OK);
    size_t before_restart = collector.count();
    for (int waited = 0; waited < 2000 && collector.count() == before_restart; waited += 5)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_EQ(AuxaStop(device), AUXA_OK);
    size_t after_stop = collector.count();
    EXPECT_GT(after_stop, before_restart);
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    EXPECT_EQ(collector.count(), after_stop);
}

TEST(AuxaCapture, CloseWhileCapturingStopsFirst) {
    BlockCollector collector;
    size_t at_close = 0;
    {
        OpenMic mic(mic_description(""));
        ASSERT_EQ(mic.open_result, AUXA_OK);
        attach_collector(mic.device, source_of(mic.device), &collector, "cb");
        ASSERT_EQ(AuxaStart(mic.device), AUXA_OK);
        ASSERT_TRUE(wait_until([&] { return collector.count() > 0; }, 5000));
        EXPECT_EQ(AuxaClose(mic.device), AUXA_OK);
        mic.device = nullptr;
        at_close = collector.count();
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    EXPECT_EQ(collector.count(), at_close);
    EXPECT_GT(at_close, 0u);
}

}  // namespace
