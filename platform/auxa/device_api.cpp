// Contexts, devices, their configuration and capture control.
#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <new>

#include "auxa_log.h"
#include "auxa_lumivo.h"
#include "capture.h"
#include "device_presence.h"
#include "handle_registry.h"

namespace {

// Reads the microphone described behind `fd` and checks it against the ids asked for.
int describe_device(int fd, uint16_t vid, uint16_t pid, _AUXA_DEV *device) {
    struct stat info;
    if (fstat(fd, &info) != 0) {
        auxa_log_error("open: descriptor %d is not open", fd);
        return AUXA_ERROR_INVALID_PARAMETER;
    }
    if (!S_ISREG(info.st_mode)) {
        auxa_log_debug("open: descriptor %d is not a virtual device; no microphone known", fd);
        return AUXA_ERROR_NO_AUDIO_INTERFACE;
    }
    std::string error;
    if (!read_mic_description(fd, &device->mic, &error)) {
        auxa_log_error("open: bad device description: %s", error.c_str());
        return AUXA_ERROR_DEVICE;
    }
    if (device->mic.vid != vid || device->mic.pid != pid) {
        auxa_log_error("open: asked for %04x:%04x but the device is %04x:%04x", vid, pid,
                       device->mic.vid & 0xffff, device->mic.pid & 0xffff);
        return AUXA_ERROR_DEVICE;
    }
    if (!device->mic.present) {
        auxa_log_debug("open: device %04x:%04x has no microphone", vid, pid);
        return AUXA_ERROR_NO_AUDIO_INTERFACE;
    }
    device->file_device = info.st_dev;
    device->file_inode = info.st_ino;
    device->unplugs_at_open = device_unplug_count({info.st_dev, info.st_ino});
    device->rate = device->mic.rates[0];
    return AUXA_OK;
}

int *new_int(int value) {
    int *copy = (int *)malloc(sizeof(int));
    if (copy)
        *copy = value;
    return copy;
}

}  // namespace

int AuxaInit(_AUXA_CONTEXT **context, const char *name, struct libusb_context *usb) {
    if (!context)
        return AUXA_ERROR_INVALID_PARAMETER;
    *context = nullptr;
    _AUXA_CONTEXT *created = new (std::nothrow) _AUXA_CONTEXT;
    if (!created)
        return AUXA_ERROR_NO_MEMORY;
    created->name = name ? name : "";
    created->usb = usb;
    register_context(created);
    *context = created;
    return AUXA_OK;
}

int AuxaDeInit(_AUXA_CONTEXT *context) {
    if (!context || !context_is_open(context))
        return AUXA_ERROR_INVALID_PARAMETER;
    for (_AUXA_DEV *device : context_devices(context)) {
        int result = AuxaClose(device);
        if (result == AUXA_ERROR_BUSY)
            return result;
    }
    if (!unregister_context(context))
        return AUXA_ERROR_INVALID_PARAMETER;
    delete context;
    return AUXA_OK;
}

int AuxaOpen(_AUXA_CONTEXT *context, uint16_t vid, uint16_t pid, _AUXA_DEV **device, int fd,
             struct libusb_device_handle *) {
    if (!device)
        return AUXA_ERROR_INVALID_PARAMETER;
    *device = nullptr;
    if (!context || !context_is_open(context) || fd < 0)
        return AUXA_ERROR_INVALID_PARAMETER;
    std::unique_ptr<_AUXA_DEV> opened(new (std::nothrow) _AUXA_DEV);
    if (!opened)
        return AUXA_ERROR_NO_MEMORY;
    int result = describe_device(fd, vid, pid, opened.get());
    if (result != AUXA_OK)
        return result;
    std::unique_ptr<CDataDistributor> source(new (std::nothrow) CDataDistributor);
    if (!source)
        return AUXA_ERROR_NO_MEMORY;
    source->device = opened.get();
    source->number = 1;
    source->kind = AUXA_NODE_SOURCE;
    source->name = "source";
    opened->nodes.push_back(std::move(source));
    opened->context = context;
    if (!register_device(opened.get())) {
        auxa_log_error("open: the microphone of %04x:%04x is already open", vid, pid);
        return AUXA_ERROR_BUSY;
    }
    *device = opened.release();
    return AUXA_OK;
}

int AuxaClose(_AUXA_DEV *device) {
    if (!device || !device_is_open(device))
        return AUXA_ERROR_INVALID_PARAMETER;
    int result = stop_capture(device);
    if (result != AUXA_OK)
        return result;
    if (!unregister_device(device))
        return AUXA_ERROR_INVALID_PARAMETER;
    delete device;
    return AUXA_OK;
}

int AuxaGetConfiguration(_AUXA_DEV *device, int id, void **value) {
    if (!value)
        return AUXA_ERROR_INVALID_PARAMETER;
    *value = nullptr;
    if (!device || !device_is_open(device))
        return AUXA_ERROR_INVALID_PARAMETER;
    int current = 0;
    switch (id) {
        case AUXA_CONFIG_BITS:
            current = device->mic.bits;
            break;
        case AUXA_CONFIG_CHANNELS:
            current = device->mic.channels;
            break;
        case AUXA_CONFIG_VOLUME:
            current = device->volume.load();
            break;
        default:
            return AUXA_ERROR_INVALID_PARAMETER;
    }
    *value = new_int(current);
    return *value ? AUXA_OK : AUXA_ERROR_NO_MEMORY;
}

void AuxaFreeConfiguration(void *value) {
    free(value);
}

int AuxaSetConfiguration(_AUXA_DEV *device, int id, const void *value) {
    if (!device || !value || !device_is_open(device))
        return AUXA_ERROR_INVALID_PARAMETER;
    if (id != AUXA_CONFIG_VOLUME)
        return AUXA_ERROR_INVALID_PARAMETER;
    int volume = *(const int *)value;
    if (volume < 0 || volume > 100)
        return AUXA_ERROR_INVALID_PARAMETER;
    device->volume.store(volume);
    return AUXA_OK;
}

int AuxaGetSampleRateList(_AUXA_DEV *device, unsigned **rates, int *count) {
    if (!rates || !count)
        return AUXA_ERROR_INVALID_PARAMETER;
    *rates = nullptr;
    *count = 0;
    if (!device || !device_is_open(device))
        return AUXA_ERROR_INVALID_PARAMETER;
    const std::vector<unsigned> &listed = device->mic.rates;
    unsigned *copy = (unsigned *)malloc(listed.size() * sizeof(unsigned));
    if (!copy)
        return AUXA_ERROR_NO_MEMORY;
    std::copy(listed.begin(), listed.end(), copy);
    *rates = copy;
    *count = (int)listed.size();
    return AUXA_OK;
}

void AuxaFreeSampleRateList(unsigned *rates) {
    free(rates);
}

int AuxaSetSampleRate(_AUXA_DEV *device, int rate) {
    if (!device || !device_is_open(device))
        return AUXA_ERROR_INVALID_PARAMETER;
    const std::vector<unsigned> &listed = device->mic.rates;
    if (rate <= 0 || std::find(listed.begin(), listed.end(), (unsigned)rate) == listed.end()) {
        auxa_log_error("set rate: the device does not capture at %d Hz", rate);
        return AUXA_ERROR_INVALID_PARAMETER;
    }
    std::lock_guard<std::mutex> lock(device->mutex);
    if (device->state != CaptureState::Idle)
        return AUXA_ERROR_BUSY;
    device->rate = (unsigned)rate;
    return AUXA_OK;
}

int AuxaStart(_AUXA_DEV *device) {
    if (!device || !device_is_open(device))
        return AUXA_ERROR_INVALID_PARAMETER;
    return start_capture(device);
}

int AuxaStop(_AUXA_DEV *device) {
    if (!device || !device_is_open(device))
        return AUXA_ERROR_INVALID_PARAMETER;
    return stop_capture(device);
}
