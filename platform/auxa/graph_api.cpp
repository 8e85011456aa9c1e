// Building, configuring and showing a device's node graph.
#include <algorithm>
#include <cstdlib>
#include <new>
#include <string>

#include "auxa_log.h"
#include "auxa_lumivo.h"
#include "handle_registry.h"

namespace {

// The device's node at `node`, or null when it is not one; the caller holds the device's mutex.
CDataDistributor *find_node(_AUXA_DEV *device, const CDataDistributor *node) {
    for (const std::unique_ptr<CDataDistributor> &owned : device->nodes) {
        if (owned.get() == node)
            return owned.get();
    }
    return nullptr;
}

CDataDistributor *checked_node(_AUXA_DEV *device, const CDataDistributor *node) {
    std::lock_guard<std::mutex> lock(device->mutex);
    return find_node(device, node);
}

const char *kind_name(int kind) {
    switch (kind) {
        case AUXA_NODE_SOURCE:
            return "source";
        case AUXA_NODE_RESAMPLER:
            return "resampler";
        case AUXA_NODE_PROCESSING:
            return "processing";
        default:
            return "callback";
    }
}

bool is_creatable_kind(int kind) {
    return kind == AUXA_NODE_RESAMPLER || kind == AUXA_NODE_PROCESSING ||
           kind == AUXA_NODE_CALLBACK;
}

// Ids are numbered from their node kind upwards: 0x200000.. resampler and so on.
bool id_belongs_to(int id, int kind, int count) {
    return id >= kind && id < kind + count;
}

int set_resampler(_AUXA_DEV *device, CDataDistributor *node, int id, int value) {
    std::lock_guard<std::mutex> lock(device->mutex);
    ResamplerSettings &settings = node->resampler;
    switch (id) {
        case AUXA_RESAMPLER_RATE:
            if (value != 0 && (value < 1000 || value > 384000))
                return AUXA_ERROR_INVALID_PARAMETER;
            settings.rate = value;
            return AUXA_OK;
        case AUXA_RESAMPLER_BITS:
            if (value != 0 && value != 16 && value != 24 && value != 32)
                return AUXA_ERROR_INVALID_PARAMETER;
            settings.bits = value;
            return AUXA_OK;
        default:
            if (value < 0 || value > 8)
                return AUXA_ERROR_INVALID_PARAMETER;
            settings.channels = value;
            return AUXA_OK;
    }
}

int set_processing(CDataDistributor *node, int id, const void *value) {
    bool on = *(const uint8_t *)value != 0;
    int level = 0;
    bool is_switch = id == AUXA_PROCESSING_DENOISE || id == AUXA_PROCESSING_AGC ||
                     id == AUXA_PROCESSING_ECHO_CANCEL || id == AUXA_PROCESSING_DEREVERB;
    if (!is_switch) {
        level = *(const int *)value;
        int limit = id == AUXA_PROCESSING_AGC_LEVEL ? 32767 : 100;
        int low = id == AUXA_PROCESSING_AGC_LEVEL ? 0 : -limit;
        if (level < low || level > limit)
            return AUXA_ERROR_INVALID_PARAMETER;
    }
    std::lock_guard<std::mutex> lock(node->live_mutex);
    ProcessingSettings &settings = node->processing;
    switch (id) {
        case AUXA_PROCESSING_DENOISE:
            settings.denoise = on;
            break;
        case AUXA_PROCESSING_DENOISE_DB:
            settings.denoise_db = level;
            break;
        case AUXA_PROCESSING_AGC:
            settings.agc = on;
            break;
        case AUXA_PROCESSING_AGC_LEVEL:
            settings.agc_level = level;
            break;
        case AUXA_PROCESSING_ECHO_CANCEL:
            settings.echo_cancel = on;
            break;
        case AUXA_PROCESSING_ECHO_DB:
            settings.echo_db = level;
            break;
        case AUXA_PROCESSING_ECHO_ACTIVE_DB:
            settings.echo_active_db = level;
            break;
        default:
            settings.dereverb = on;
            break;
    }
    return AUXA_OK;
}

int set_callback(CDataDistributor *node, int id, const void *value) {
    std::lock_guard<std::mutex> lock(node->live_mutex);
    if (id == AUXA_CALLBACK_FUNCTION) {
        node->callback.function = *(const AuxaBlockCallback *)value;
    } else {
        node->callback.user = *(void *const *)value;
    }
    return AUXA_OK;
}

// True when `to` already feeds `from`, directly or further up.
bool feeds(const CDataDistributor *to, const CDataDistributor *from) {
    for (const CDataDistributor *node = from; node; node = node->input) {
        if (node == to)
            return true;
    }
    return false;
}

struct NodeView {
    CDataDistributor *node;
    int input;  // number of the feeding node, 0 for none
    ResamplerSettings resampler;
};

std::string describe_live(CDataDistributor *node) {
    char text[256] = "";
    std::lock_guard<std::mutex> lock(node->live_mutex);
    if (node->kind == AUXA_NODE_PROCESSING) {
        const ProcessingSettings &p = node->processing;
        snprintf(text, sizeof(text),
                 " denoise %s (%d dB), agc %s (level %d), echo cancel %s (%d / %d dB), "
                 "dereverb %s",
                 p.denoise ? "on" : "off", p.denoise_db, p.agc ? "on" : "off", p.agc_level,
                 p.echo_cancel ? "on" : "off", p.echo_db, p.echo_active_db,
                 p.dereverb ? "on" : "off");
    } else if (node->kind == AUXA_NODE_CALLBACK) {
        snprintf(text, sizeof(text), " function %s", node->callback.function ? "set" : "not set");
    }
    return text;
}

}  // namespace

int AuxaDstGet(_AUXA_DEV *device, int id, const char *, CDataDistributor **node) {
    if (!node)
        return AUXA_ERROR_INVALID_PARAMETER;
    *node = nullptr;
    if (!device || !device_is_open(device) || id != AUXA_NODE_SOURCE) {
        return AUXA_ERROR_INVALID_PARAMETER;
    }
    std::lock_guard<std::mutex> lock(device->mutex);
    *node = device->nodes[0].get();
    return AUXA_OK;
}

int AuxaDstCreate(_AUXA_DEV *device, int kind, const char *name, CDataDistributor **node) {
    if (!node)
        return AUXA_ERROR_INVALID_PARAMETER;
    *node = nullptr;
    if (!device || !device_is_open(device) || !is_creatable_kind(kind)) {
        return AUXA_ERROR_INVALID_PARAMETER;
    }
    std::string wanted = name ? name : "";
    std::lock_guard<std::mutex> lock(device->mutex);
    if (!wanted.empty()) {
        for (const std::unique_ptr<CDataDistributor> &owned : device->nodes) {
            if (owned->name != wanted)
                continue;
            if (owned->kind != kind)
                return AUXA_ERROR_INVALID_PARAMETER;
            *node = owned.get();
            return AUXA_OK;
        }
    }
    if (device->state != CaptureState::Idle)
        return AUXA_ERROR_BUSY;
    std::unique_ptr<CDataDistributor> created(new (std::nothrow) CDataDistributor);
    if (!created)
        return AUXA_ERROR_NO_MEMORY;
    created->device = device;
    created->number = (int)device->nodes.size() + 1;
    created->kind = kind;
    created->name = wanted;
    *node = created.get();
    device->nodes.push_back(std::move(created));
    return AUXA_OK;
}

int AuxaDstSetConfig(_AUXA_DEV *device, CDataDistributor *node, int id, const void *value) {
    if (!device || !node || !value || !device_is_open(device)) {
        return AUXA_ERROR_INVALID_PARAMETER;
    }
    CDataDistributor *known = checked_node(device, node);
    if (!known)
        return AUXA_ERROR_INVALID_PARAMETER;
    switch (known->kind) {
        case AUXA_NODE_RESAMPLER:
            if (!id_belongs_to(id, AUXA_NODE_RESAMPLER, 3))
                break;
            return set_resampler(device, known, id, *(const int *)value);
        case AUXA_NODE_PROCESSING:
            if (!id_belongs_to(id, AUXA_NODE_PROCESSING, 8))
                break;
            return set_processing(known, id, value);
        case AUXA_NODE_CALLBACK:
            if (!id_belongs_to(id, AUXA_NODE_CALLBACK, 2))
                break;
            return set_callback(known, id, value);
    }
    auxa_log_error("config: id 0x%x does not belong to %s node %d", id, kind_name(known->kind),
                   known->number);
    return AUXA_ERROR_INVALID_PARAMETER;
}

int AuxaDstLink(_AUXA_DEV *device, CDataDistributor *from, CDataDistributor *to) {
    if (!device || !from || !to || !device_is_open(device))
        return AUXA_ERROR_INVALID_PARAMETER;
    std::lock_guard<std::mutex> lock(device->mutex);
    CDataDistributor *source = find_node(device, from);
    CDataDistributor *target = find_node(device, to);
    if (!source || !target)
        return AUXA_ERROR_INVALID_PARAMETER;
    if (target->input == source)
        return AUXA_OK;
    // The source is fed by nothing, every other node by one node, and no node by itself.
    if (target->kind == AUXA_NODE_SOURCE || target->input || feeds(target, source)) {
        auxa_log_error("link: node %d cannot feed node %d", source->number, target->number);
        return AUXA_ERROR_INVALID_PARAMETER;
    }
    if (device->state != CaptureState::Idle)
        return AUXA_ERROR_BUSY;
    target->input = source;
    source->outputs.push_back(target);
    return AUXA_OK;
}

int AuxaDstDump(_AUXA_DEV *device) {
    if (!device || !device_is_open(device))
        return AUXA_ERROR_INVALID_PARAMETER;
    std::vector<NodeView> views;
    std::string header;
    {
        std::lock_guard<std::mutex> lock(device->mutex);
        const MicDescription &mic = device->mic;
        std::string rates;
        for (unsigned rate : mic.rates)
            rates += (rates.empty() ? "" : ",") + std::to_string(rate);
        header = "device " + std::to_string(mic.vid) + ":" + std::to_string(mic.pid) + ", " +
                 std::to_string(device->rate) + " Hz (lists " + rates + "), " +
                 std::to_string(mic.bits) + " bits, " + std::to_string(mic.channels) +
                 " channels, volume " + std::to_string(device->volume.load()) + "%, " +
                 (device->state == CaptureState::Idle ? "idle" : "capturing");
        for (const std::unique_ptr<CDataDistributor> &owned : device->nodes) {
            views.push_back(
                {owned.get(), owned->input ? owned->input->number : 0, owned->resampler});
        }
    }
    auxa_log_debug("%s", header.c_str());
    for (const NodeView &view : views) {
        CDataDistributor *node = view.node;
        std::string detail = describe_live(node);
        if (node->kind == AUXA_NODE_RESAMPLER) {
            detail = " rate " + std::to_string(view.resampler.rate) + ", bits " +
                     std::to_string(view.resampler.bits) + ", channels " +
                     std::to_string(view.resampler.channels);
        }
        std::string from = view.input ? " <- node " + std::to_string(view.input) : "";
        auxa_log_debug("  node %d %s \"%s\"%s%s", node->number, kind_name(node->kind),
                       node->name.c_str(), from.c_str(), detail.c_str());
    }
    return AUXA_OK;
}
