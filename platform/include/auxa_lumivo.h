// USB audio library: opens the microphone of a USB camera and runs its samples through a graph
// of processing nodes (resampler, audio processing, callbacks) on a capture thread of its own.
//
// Configuration values are always passed by address; the library copies the value during the
// call, so the caller's variable may change or go away afterwards.
#pragma once

#include <stdint.h>

// Opaque handles of the USB stack the camera library runs on; this library only passes them on.
struct libusb_context;
struct libusb_device_handle;

#ifdef __cplusplus
extern "C" {
#endif

typedef struct _AUXA_CONTEXT _AUXA_CONTEXT;
typedef struct _AUXA_DEV _AUXA_DEV;
typedef struct CDataDistributor CDataDistributor;

// Result codes. The first four fail a camera connection; the others do not.
enum {
    AUXA_OK = 0,
    // A null pointer, an unknown id or node kind, a node of another kind or of another device,
    // a handle that is not (or no longer) open, or a value out of range.
    AUXA_ERROR_INVALID_PARAMETER = 0x10,
    // Memory or a thread could not be obtained.
    AUXA_ERROR_NO_MEMORY = 0x30,
    // The device cannot be used: its description is unreadable, a microphone key has a bad
    // value, or its vendor / product id differs from the ids asked for.
    AUXA_ERROR_DEVICE = 0x100,
    // The microphone is already open in this context, the graph or the rate cannot change
    // while capture runs, or a callback asked for a stop or close (or a start while another
    // thread stops the capture), which would have to wait for the callback's own thread.
    AUXA_ERROR_BUSY = 0x10000001,
    // The camera has no microphone (or is not a device this library knows); a camera without
    // a microphone still works, so this does not fail its connection.
    AUXA_ERROR_NO_AUDIO_INTERFACE = 0x20000001,
    // Capture cannot start: no callback node is linked below the source.
    AUXA_ERROR_NO_GRAPH = 0x20000002,
};

// Device configuration ids.
enum {
    AUXA_CONFIG_BITS = 0x10001,      // get: bits per sample of the device (int)
    AUXA_CONFIG_CHANNELS = 0x10002,  // get: channel count of the device (int)
    // get and set: capture volume in percent (int, 0 mute .. 100 unity gain, the default);
    // applied to the samples at the source, takes effect with the next block.
    AUXA_CONFIG_VOLUME = 0x100000,
};

// Node kinds.
enum {
    AUXA_NODE_SOURCE = 0x20000,       // the capture source; one per device, from AuxaDstGet
    AUXA_NODE_RESAMPLER = 0x200000,   // rate, channel and sample size conversion
    AUXA_NODE_CALLBACK = 0x400000,    // hands each block to a function
    AUXA_NODE_PROCESSING = 0x800000,  // denoise, AGC, echo cancellation, dereverberation
};

// Node configuration ids, each valid only on its own kind of node.
enum {
    // Resampler output format (int each; 0, the default, keeps the input's value). Values are
    // copied when set and take effect at the next AuxaStart. Rate 1000..384000 Hz, bits 16, 24
    // or 32, channels 1..8.
    AUXA_RESAMPLER_RATE = 0x200000,
    AUXA_RESAMPLER_BITS = 0x200001,
    AUXA_RESAMPLER_CHANNELS = 0x200002,
    // Callback node: the function (address of an AuxaBlockCallback variable) and the user
    // pointer handed to it (address of a void* variable).
    AUXA_CALLBACK_FUNCTION = 0x400000,
    AUXA_CALLBACK_USER = 0x400001,
    // Audio processing; switches are one byte (0 off), levels ints. All may change while
    // capture runs and apply from the next 10 ms frame.
    AUXA_PROCESSING_DENOISE = 0x800000,
    // Noise attenuation in dB; the sign is ignored (20 and -20 both attenuate by 20 dB);
    // 0 keeps the default of 15 dB. At most 100.
    AUXA_PROCESSING_DENOISE_DB = 0x800001,
    AUXA_PROCESSING_AGC = 0x800002,
    // Loudness the gain control aims at, in 16-bit sample units (1..32767); 0 keeps the
    // default of 8000.
    AUXA_PROCESSING_AGC_LEVEL = 0x800003,
    // Echo cancellation. A camera has no loudspeaker of its own, so the canceller's reference
    // (what is played back) is silence: it adapts to nothing and only the residual-echo
    // suppression below shapes the signal. Both levels are attenuations in dB (sign ignored,
    // 0 keeps the defaults of 40 and 15 dB, at most 100).
    AUXA_PROCESSING_ECHO_CANCEL = 0x800004,
    AUXA_PROCESSING_ECHO_DB = 0x800005,         // while the far end is silent
    AUXA_PROCESSING_ECHO_ACTIVE_DB = 0x800006,  // while the far end is active
    AUXA_PROCESSING_DEREVERB = 0x800007,
};

// The record handed to a callback with each block. Levels are measured on the block as
// delivered, scaled to 16-bit full scale whatever the sample size.
typedef struct AuxaBlockInfo {
    int32_t sample_rate;   // byte 0: Hz
    int16_t channels;      // byte 4
    int16_t bits;          // byte 6: bits per sample, signed little-endian PCM, interleaved
    int32_t peak;          // byte 8: largest absolute sample, 0..32767
    int32_t rms;           // byte 12: root mean square of all samples, 0..32767
    int64_t timestamp_us;  // byte 16: CLOCK_MONOTONIC time of the block's first sample, in us
    int32_t frames;        // byte 24: sample frames in the block
    int32_t reserved;
} AuxaBlockInfo;

// Called on the library's capture thread for each block (about 10 ms of samples) that reaches
// the callback node. `data` is the callback's own copy of the block, valid during the call.
typedef void (*AuxaBlockCallback)(void *user, unsigned char *data, int bytes, void *info);

// Creates a library context. `name` may be null; `usb` is the camera library's USB context,
// kept only for reference (may be null).
int AuxaInit(_AUXA_CONTEXT **context, const char *name, struct libusb_context *usb);
// Closes every device still open in the context (see AuxaClose), then frees it.
int AuxaDeInit(_AUXA_CONTEXT *context);

// Opens the microphone of the device behind `fd` (the descriptor given to the camera). On
// this host `fd` refers to the virtual device's description file. `handle` may be null.
int AuxaOpen(_AUXA_CONTEXT *context, uint16_t vid, uint16_t pid, _AUXA_DEV **device, int fd,
             struct libusb_device_handle *handle);
// Stops capture (as AuxaStop), frees the device and all its nodes.
int AuxaClose(_AUXA_DEV *device);

// `*value` receives a library-allocated int; free it with AuxaFreeConfiguration.
int AuxaGetConfiguration(_AUXA_DEV *device, int id, void **value);
void AuxaFreeConfiguration(void *value);
int AuxaSetConfiguration(_AUXA_DEV *device, int id, const void *value);

// The rates the device lists, in its order; free the list with AuxaFreeSampleRateList.
int AuxaGetSampleRateList(_AUXA_DEV *device, unsigned **rates, int *count);
void AuxaFreeSampleRateList(unsigned *rates);
// Selects one of the listed rates for the next capture; not while capture runs. A device
// captures at its first listed rate until one is selected.
int AuxaSetSampleRate(_AUXA_DEV *device, int rate);

// The capture source: id AUXA_NODE_SOURCE, `name` unused (may be null).
int AuxaDstGet(_AUXA_DEV *device, int id, const char *name, CDataDistributor **node);
// Creates a node of `kind`. Names are unique per device: creating a name again with the same
// kind hands back the existing node (so a graph can be built again after a stop), with
// another kind it is an error. A null or empty name always creates a new node. Nodes live
// until the device is closed. Not while capture runs.
int AuxaDstCreate(_AUXA_DEV *device, int kind, const char *name, CDataDistributor **node);
int AuxaDstSetConfig(_AUXA_DEV *device, CDataDistributor *node, int id, const void *value);
// Lets blocks flow from `from` to `to`. A node may feed several nodes but is fed by one; the
// source is fed by none. Linking an existing link again does nothing. Not while capture runs.
int AuxaDstLink(_AUXA_DEV *device, CDataDistributor *from, CDataDistributor *to);
// Writes the device and its node graph to the log.
int AuxaDstDump(_AUXA_DEV *device);

// Starts the capture thread at the selected rate; starting a running device does nothing.
int AuxaStart(_AUXA_DEV *device);
// Stops capture and joins the capture thread: no callback runs once this returns. Stopping a
// device that is not capturing does nothing and succeeds.
int AuxaStop(_AUXA_DEV *device);

#ifdef __cplusplus
}
#endif
