// Opening the virtual microphone, its error codes, rates and device configuration.
#include <gtest/gtest.h>
#include <unistd.h>

#include <vector>

#include "auxa_lumivo.h"
#include "auxa_test_support.h"
#include "host_android.h"

namespace {

std::vector<unsigned> rate_list(_AUXA_DEV *device) {
    unsigned *rates = nullptr;
    int count = 0;
    EXPECT_EQ(AuxaGetSampleRateList(device, &rates, &count), AUXA_OK);
    std::vector<unsigned> copy(rates, rates + count);
    AuxaFreeSampleRateList(rates);
    return copy;
}

TEST(AuxaDevice, OpensTheDescribedMicrophone) {
    OpenMic mic(
        mic_description("mic_rates = 16000, 44100,48000\nmic_bits = 24\n"
                        "mic_channels = 2\nmic_source = noise 0.1\n"
                        "fps = 30\nctrl.zoom = 3\nbroken_every = 7\n"));
    ASSERT_EQ(mic.open_result, AUXA_OK);
    ASSERT_NE(mic.device, nullptr);
    EXPECT_EQ(config_value(mic.device, AUXA_CONFIG_BITS), 24);
    EXPECT_EQ(config_value(mic.device, AUXA_CONFIG_CHANNELS), 2);
    EXPECT_EQ(rate_list(mic.device), (std::vector<unsigned>{16000, 44100, 48000}));
}

TEST(AuxaDevice, OpenErrorCodes) {
    // No microphone, or the key missing: the camera has no audio interface.
    for (const char *text :
         {"vid = 0x1234\npid = 0x5678\nmicrophone = off\n", "vid = 0x1234\npid = 0x5678\n"}) {
        OpenMic mic(text);
        EXPECT_EQ(mic.open_result, AUXA_ERROR_NO_AUDIO_INTERFACE) << text;
        EXPECT_EQ(mic.device, nullptr);
    }
    // Ids that differ from the description's.
    OpenMic other(mic_description(""), 0x1234, 0x9999);
    EXPECT_EQ(other.open_result, AUXA_ERROR_DEVICE);
    EXPECT_EQ(other.device, nullptr);
    OpenMic no_ids("microphone = on\n");
    EXPECT_EQ(no_ids.open_result, AUXA_ERROR_DEVICE);

    // Descriptors that are not a description.
    int pipe_ends[2];
    ASSERT_EQ(pipe(pipe_ends), 0);
    _AUXA_CONTEXT *context = nullptr;
    ASSERT_EQ(AuxaInit(&context, "test", nullptr), AUXA_OK);
    _AUXA_DEV *device = reinterpret_cast<_AUXA_DEV *>(0x1);
    EXPECT_EQ(AuxaOpen(context, 0x1234, 0x5678, &device, pipe_ends[0], nullptr),
              AUXA_ERROR_NO_AUDIO_INTERFACE);
    EXPECT_EQ(device, nullptr);
    close(pipe_ends[0]);
    close(pipe_ends[1]);
    EXPECT_EQ(AuxaOpen(context, 0x1234, 0x5678, &device, pipe_ends[0], nullptr),
              AUXA_ERROR_INVALID_PARAMETER);
    EXPECT_EQ(AuxaOpen(context, 0x1234, 0x5678, &device, -1, nullptr),
              AUXA_ERROR_INVALID_PARAMETER);

    // Null arguments and a context that is gone.
    DescriptionFile file(mic_description(""));
    EXPECT_EQ(AuxaOpen(context, 0x1234, 0x5678, nullptr, file.fd(), nullptr),
              AUXA_ERROR_INVALID_PARAMETER);
    EXPECT_EQ(AuxaOpen(nullptr, 0x1234, 0x5678, &device, file.fd(), nullptr),
              AUXA_ERROR_INVALID_PARAMETER);
    EXPECT_EQ(AuxaInit(nullptr, nullptr, nullptr), AUXA_ERROR_INVALID_PARAMETER);
    EXPECT_EQ(AuxaDeInit(context), AUXA_OK);
    EXPECT_EQ(AuxaDeInit(context), AUXA_ERROR_INVALID_PARAMETER);
    EXPECT_EQ(AuxaOpen(context, 0x1234, 0x5678, &device, file.fd(), nullptr),
              AUXA_ERROR_INVALID_PARAMETER);
    EXPECT_EQ(AuxaDeInit(nullptr), AUXA_ERROR_INVALID_PARAMETER);
}

TEST(AuxaDevice, BadMicrophoneValuesNameTheirLine) {
    const char *bad_lines[] = {
        "mic_rates = 44100,,48000",
        "mic_rates = 100",
        "mic_rates = 44100,44100",
        "mic_rates =",
        "mic_bits = 8",
        "mic_bits = 20",
        "mic_channels = 0",
        "mic_channels = 9",
        "mic_source = sine",
        "mic_source = sine -3",
        "mic_source = square",
        "mic_source = noise 2",
        "mic_source = silence 1",
        "microphone = yes",
        "vid = 0x1ffff",
        "pid = 12ab",
        "mic_bits = 016x",
    };
    host_log_capture_start();
    for (const char *line : bad_lines) {
        OpenMic mic(mic_description(std::string("# comment\n") + line + "\n"));
        EXPECT_EQ(mic.open_result, AUXA_ERROR_DEVICE) << line;
        EXPECT_EQ(mic.device, nullptr) << line;
    }
    // The bad key is the sixth line of each description (ids may be overridden by it).
    EXPECT_EQ(host_log_count("line 6: bad value"), (int)(sizeof(bad_lines) / sizeof(*bad_lines)));
    host_log_capture_stop();
}

TEST(AuxaDevice, OneOpenPerContext) {
    DescriptionFile file(mic_description(""));
    _AUXA_CONTEXT *first = nullptr, *second = nullptr;
    ASSERT_EQ(AuxaInit(&first, nullptr, nullptr), AUXA_OK);
    ASSERT_EQ(AuxaInit(&second, nullptr, nullptr), AUXA_OK);
    _AUXA_DEV *a = nullptr, *b = nullptr, *c = nullptr;
    ASSERT_EQ(AuxaOpen(first, 0x1234, 0x5678, &a, file.fd(), nullptr), AUXA_OK);
    EXPECT_EQ(AuxaOpen(first, 0x1234, 0x5678, &b, file.fd(), nullptr), AUXA_ERROR_BUSY);
    EXPECT_EQ(b, nullptr);
    EXPECT_EQ(AuxaOpen(second, 0x1234, 0x5678, &c, file.fd(), nullptr), AUXA_OK);
    EXPECT_EQ(AuxaClose(a), AUXA_OK);
    EXPECT_EQ(AuxaClose(a), AUXA_ERROR_INVALID_PARAMETER);
    ASSERT_EQ(AuxaOpen(first, 0x1234, 0x5678, &b, file.fd(), nullptr), AUXA_OK);
    // Devices still open are closed with their context.
    EXPECT_EQ(AuxaDeInit(first), AUXA_OK);
    EXPECT_EQ(AuxaDeInit(second), AUXA_OK);
    EXPECT_EQ(AuxaStart(c), AUXA_ERROR_INVALID_PARAMETER);
    EXPECT_EQ(AuxaClose(nullptr), AUXA_ERROR_INVALID_PARAMETER);
}

TEST(AuxaDevice, RateSelection) {
    OpenMic mic(mic_description("mic_rates = 44100,48000\n"));
    ASSERT_EQ(mic.open_result, AUXA_OK);
    EXPECT_EQ(AuxaSetSampleRate(mic.device, 44100), AUXA_OK);
    EXPECT_EQ(AuxaSetSampleRate(mic.device, 48000), AUXA_OK);
    for (int unlisted : {0, -1, 16000, 96000}) {
        EXPECT_EQ(AuxaSetSampleRate(mic.device, unlisted), AUXA_ERROR_INVALID_PARAMETER)
            << unlisted;
    }
    EXPECT_EQ(AuxaSetSampleRate(nullptr, 48000), AUXA_ERROR_INVALID_PARAMETER);
    unsigned *rates = reinterpret_cast<unsigned *>(0x1);
    int count = 7;
    EXPECT_EQ(AuxaGetSampleRateList(nullptr, &rates, &count), AUXA_ERROR_INVALID_PARAMETER);
    EXPECT_EQ(rates, nullptr);
    EXPECT_EQ(count, 0);
    EXPECT_EQ(AuxaGetSampleRateList(mic.device, nullptr, &count), AUXA_ERROR_INVALID_PARAMETER);
    EXPECT_EQ(AuxaGetSampleRateList(mic.device, &rates, nullptr), AUXA_ERROR_INVALID_PARAMETER);
}

// Defaults of one 16-bit channel at 48000 at full volume, then configuration ids and values.
TEST(AuxaDevice, DefaultsAndConfigurationIdsAndValues) {
    OpenMic mic(mic_description(""));
    ASSERT_EQ(mic.open_result, AUXA_OK);
    EXPECT_EQ(config_value(mic.device, AUXA_CONFIG_BITS), 16);
    EXPECT_EQ(config_value(mic.device, AUXA_CONFIG_CHANNELS), 1);
    EXPECT_EQ(config_value(mic.device, AUXA_CONFIG_VOLUME), 100);
    EXPECT_EQ(rate_list(mic.device), std::vector<unsigned>{48000});
    void *value = reinterpret_cast<void *>(0x1);
    EXPECT_EQ(AuxaGetConfiguration(mic.device, 0x10003, &value), AUXA_ERROR_INVALID_PARAMETER);
    EXPECT_EQ(value, nullptr);
    EXPECT_EQ(AuxaGetConfiguration(mic.device, AUXA_CONFIG_BITS, nullptr),
              AUXA_ERROR_INVALID_PARAMETER);
    EXPECT_EQ(AuxaGetConfiguration(nullptr, AUXA_CONFIG_BITS, &value),
              AUXA_ERROR_INVALID_PARAMETER);

    int volume = 40;
    EXPECT_EQ(AuxaSetConfiguration(mic.device, AUXA_CONFIG_VOLUME, &volume), AUXA_OK);
    EXPECT_EQ(config_value(mic.device, AUXA_CONFIG_VOLUME), 40);
    for (int bad : {-1, 101}) {
        EXPECT_EQ(AuxaSetConfiguration(mic.device, AUXA_CONFIG_VOLUME, &bad),
                  AUXA_ERROR_INVALID_PARAMETER);
    }
    int bits = 32;
    EXPECT_EQ(AuxaSetConfiguration(mic.device, AUXA_CONFIG_BITS, &bits),
              AUXA_ERROR_INVALID_PARAMETER);
    EXPECT_EQ(AuxaSetConfiguration(mic.device, AUXA_CONFIG_VOLUME, nullptr),
              AUXA_ERROR_INVALID_PARAMETER);
    EXPECT_EQ(AuxaSetConfiguration(nullptr, AUXA_CONFIG_VOLUME, &volume),
              AUXA_ERROR_INVALID_PARAMETER);
}

}  // namespace
