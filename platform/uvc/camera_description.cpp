#include "camera_description.h"

#include <errno.h>
#include <stdlib.h>

#include <set>

#include "description.h"
#include "replay_file.h"

namespace {

struct ControlInfo {
    const char *name;    // null for reserved bits
    ControlRange range;  // range of a control its description leaves out
};

// Indexed by the camera terminal's bmControls bit.
const ControlInfo kCameraTerminalControls[24] = {
    {"scanning_mode", {0, 1, 0}},
    {"ae_mode", {1, 8, 8}},
    {"ae_priority", {0, 1, 0}},
    {"exposure_abs", {3, 2047, 250}},
    {"exposure_rel", {-1, 1, 0}},
    {"focus_abs", {0, 250, 0}},
    {"focus_rel", {-127, 127, 0}},
    {"iris_abs", {0, 1000, 0}},
    {"iris_rel", {0, 255, 0}},
    {"zoom_abs", {100, 500, 100}},
    {"zoom_rel", {-1, 1, 0}},
    {"pantilt_abs", {-36000, 36000, 0}},
    {"pantilt_rel", {-1, 1, 0}},
    {"roll_abs", {-180, 180, 0}},
    {"roll_rel", {-1, 1, 0}},
    {nullptr, {0, 0, 0}},
    {nullptr, {0, 0, 0}},
    {"focus_auto", {0, 1, 1}},
    {"privacy", {0, 1, 0}},
    {nullptr, {0, 0, 0}},
    {"digital_window", {0, 1080, 0}},
    {"digital_roi", {0, 1080, 0}},
    {nullptr, {0, 0, 0}},
    {nullptr, {0, 0, 0}},
};

// Indexed by the processing unit's bmControls bit.
const ControlInfo kProcessingUnitControls[15] = {
    {"brightness", {-64, 64, 0}},
    {"contrast", {0, 95, 32}},
    {"hue", {-2000, 2000, 0}},
    {"saturation", {0, 100, 55}},
    {"sharpness", {1, 7, 2}},
    {"gamma", {100, 300, 100}},
    {"white_balance_temperature", {2800, 6500, 4600}},
    {"white_balance_component", {0, 255, 128}},
    {"backlight_compensation", {0, 2, 1}},
    {"gain", {0, 255, 0}},
    {"powerline_freqency", {0, 2, 1}},
    {"hue_auto", {0, 1, 0}},
    {"white_balance_temperature_auto", {0, 1, 1}},
    {"white_balance_component_auto", {0, 1, 1}},
    {"digital_multiplier", {1, 16, 1}},
};

int find_control(const ControlInfo *table, int count, const std::string &name) {
    for (int bit = 0; bit < count; ++bit) {
        if (table[bit].name && name == table[bit].name)
            return bit;
    }
    return -1;
}

std::vector<std::string> split(const std::string &text, char separator) {
    std::vector<std::string> parts;
    size_t start = 0;
    for (;;) {
        size_t end = text.find(separator, start);
        std::string part = text.substr(start, end == std::string::npos ? end : end - start);
        size_t first = part.find_first_not_of(" \t");
        size_t last = part.find_last_not_of(" \t");
        parts.push_back(first == std::string::npos ? "" : part.substr(first, last - first + 1));
        if (end == std::string::npos)
            return parts;
        start = end + 1;
    }
}

// Whole-string integer in base 10, or base 16 with a 0x prefix (or always, with `hex`).
bool parse_int(const std::string &text, long long low, long long high, long long *value,
               bool hex = false) {
    if (text.empty())
        return false;
    bool prefixed = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    const char *start = text.c_str() + (prefixed ? 2 : 0);
    if (*start == '\0' || *start == ' ')
        return false;
    char *end = nullptr;
    errno = 0;
    long long parsed = strtoll(start, &end, (prefixed || hex) ? 16 : 10);
    if (errno != 0 || *end != '\0' || parsed < low || parsed > high)
        return false;
    *value = parsed;
    return true;
}

bool parse_int_field(const std::string &text, long long low, long long high, int *value) {
    long long parsed;
    if (!parse_int(text, low, high, &parsed))
        return false;
    *value = (int)parsed;
    return true;
}

bool parse_size(const std::string &text, FrameSize *size) {
    size_t x = text.find('x');
    if (x == std::string::npos)
        return false;
    int width, height;
    if (!parse_int_field(text.substr(0, x), 16, 4096, &width) ||
        !parse_int_field(text.substr(x + 1), 16, 4096, &height)) {
        return false;
    }
    if (width % 2 != 0 || height % 2 != 0)
        return false;  // YUYV and 4:2:0 need even sizes
    *size = {width, height};
    return true;
}

bool parse_size_list(const std::string &text, std::vector<FrameSize> *sizes) {
    sizes->clear();
    for (const std::string &part : split(text, ',')) {
        FrameSize size;
        if (!parse_size(part, &size) || sizes->size() >= 32)
            return false;
        sizes->push_back(size);
    }
    return true;
}

bool parse_int_list(const std::string &text, long long low, long long high,
                    std::vector<int> *values) {
    values->clear();
    for (const std::string &part : split(text, ',')) {
        int value;
        if (!parse_int_field(part, low, high, &value))
            return false;
        values->push_back(value);
    }
    return true;
}

bool has_size(const std::vector<FrameSize> &sizes, FrameSize size) {
    for (const FrameSize &s : sizes) {
        if (s.width == size.width && s.height == size.height)
            return true;
    }
    return false;
}

bool parse_pattern(const std::string &text, CameraDescription *camera) {
    if (text == "counter") {
        camera->pattern = PatternKind::kCounter;
    } else if (text == "bars") {
        camera->pattern = PatternKind::kBars;
    } else if (text == "scene") {
        camera->pattern = PatternKind::kScene;
    } else if (text == "gradient") {
        camera->pattern = PatternKind::kGradient;
    } else if (text.compare(0, 6, "solid ") == 0) {
        std::string colour = text.substr(6);
        long long rgb;
        if (colour.size() != 6 || !parse_int(colour, 0, 0xffffff, &rgb, true))
            return false;
        camera->pattern = PatternKind::kSolid;
        camera->solid_rgb = (uint32_t)rgb;
    } else {
        return false;
    }
    return true;
}

bool parse_mic_source(const std::string &text) {
    if (text == "noise" || text == "silence" || text == "clapper")
        return true;
    int hz;
    return text.compare(0, 5, "sine ") == 0 && parse_int_field(text.substr(5), 1, 20000, &hz);
}

bool parse_control_range(const std::string &text, ControlRange *range) {
    std::vector<std::string> parts;
    for (const std::string &part : split(text, ' ')) {
        if (!part.empty())
            parts.push_back(part);
    }
    if (parts.size() != 3)
        return false;
    int min, max, def;
    const long long limit = 1LL << 31;
    if (!parse_int_field(parts[0], -limit, limit - 1, &min) ||
        !parse_int_field(parts[1], -limit, limit - 1, &max) ||
        !parse_int_field(parts[2], -limit, limit - 1, &def)) {
        return false;
    }
    if (min > max || def < min || def > max)
        return false;
    *range = {min, max, def};
    return true;
}

int format_code(const std::string &name) {
    if (name == "mjpeg")
        return 9;
    if (name == "yuyv")
        return 3;
    return 0;
}

// `FORMAT WxH PATH`; the path may hold spaces.
bool parse_replay(const std::string &text, ReplaySource *replay) {
    size_t first = text.find(' ');
    size_t second = first == std::string::npos ? first : text.find(' ', first + 1);
    if (second == std::string::npos)
        return false;
    std::string format = text.substr(0, first);
    replay->format = format == "h264" ? 13 : format_code(format);
    replay->path = text.substr(second + 1);
    return replay->format != 0 && !replay->path.empty() &&
           parse_size(text.substr(first + 1, second - first - 1), &replay->size);
}

// Applies one entry; false when its value is bad. Unknown keys are reported by the caller.
bool apply_entry(const DescriptionEntry &entry, CameraDescription *camera, std::string *deflt,
                 bool *known) {
    const std::string &key = entry.key;
    const std::string &value = entry.value;
    *known = true;
    long long number;
    std::vector<int> ints;
    if (key == "vid" || key == "pid") {
        if (!parse_int(value, 0, 0xffff, &number))
            return false;
        (key == "vid" ? camera->vid : camera->pid) = (int)number;
        return true;
    }
    if (key == "name") {
        camera->name = value;
        return true;
    }
    if (key == "mjpeg")
        return parse_size_list(value, &camera->mjpeg);
    if (key == "yuyv")
        return parse_size_list(value, &camera->yuyv);
    if (key == "h264")
        return parse_size_list(value, &camera->h264);
    if (key == "still_mjpeg")
        return parse_size_list(value, &camera->still_mjpeg);
    if (key == "still_yuyv")
        return parse_size_list(value, &camera->still_yuyv);
    if (key == "default") {
        *deflt = value;
        return !value.empty();
    }
    if (key == "fps")
        return parse_int_field(value, 1, 120, &camera->fps);
    if (key == "pattern")
        return parse_pattern(value, camera);
    if (key == "restart_interval") {
        if (value == "cells") {
            camera->restart_interval = kSpliceRestarts;
            return true;
        }
        return parse_int_field(value, 0, 65535, &camera->restart_interval);
    }
    if (key == "still_method")
        return parse_int_field(value, 0, 2, &camera->still_method);
    if (key == "ct_controls" || key == "pu_controls") {
        bool ct = key == "ct_controls";
        if (!parse_int(value, 0, ct ? 0xffffffffLL : 0xffff, &number, true))
            return false;
        (ct ? camera->ct_controls : camera->pu_controls) = (uint32_t)number;
        return true;
    }
    if (key.compare(0, 5, "ctrl.") == 0) {
        std::string name = key.substr(5);
        int ct = camera_terminal_control_bit(name);
        int pu = processing_unit_control_bit(name);
        if (ct < 0 && pu < 0) {
            *known = false;
            return false;
        }
        return parse_control_range(value,
                                   ct >= 0 ? &camera->ct_ranges[ct] : &camera->pu_ranges[pu]);
    }
    if (key == "microphone") {
        if (value != "on" && value != "off")
            return false;
        camera->microphone = value == "on";
        return true;
    }
    if (key == "mic_rates")
        return parse_int_list(value, 8000, 192000, &ints);
    if (key == "mic_bits") {
        return parse_int(value, 8, 32, &number) && number % 8 == 0;
    }
    if (key == "mic_channels")
        return parse_int(value, 1, 8, &number);
    if (key == "mic_source")
        return parse_mic_source(value);
    if (key == "mic_delay_ms") {
        int delay;
        return parse_int_field(value, -1000, 1000, &delay);
    }
    if (key == "clapper")
        return parse_int_field(value, 200, 600000, &camera->clapper_ms);
    if (key == "replay")
        return parse_replay(value, &camera->replay);
    if (key == "buttons")
        return parse_int_list(value, 1, 1LL << 30, &camera->buttons);
    FaultSettings &faults = camera->faults;
    int *error_code = key == "open_error"           ? &faults.open_error
                      : key == "start_error"        ? &faults.start_error
                      : key == "still_probe_error"  ? &faults.still_probe_error
                      : key == "still_commit_error" ? &faults.still_commit_error
                      : key == "still_image_error"  ? &faults.still_image_error
                      : key == "devinfo_error"      ? &faults.devinfo_error
                                                    : nullptr;
    if (error_code)
        return parse_int_field(value, -99, -1, error_code);
    const long long most = 1LL << 30;
    if (key == "broken_every")
        return parse_int_field(value, 1, most, &faults.broken_every);
    if (key == "wrong_size_every") {
        return parse_int_field(value, 1, most, &faults.wrong_size_every);
    }
    if (key == "corrupt_jpeg_every") {
        return parse_int_field(value, 1, most, &faults.corrupt_jpeg_every);
    }
    if (key == "misnumbered_restart_every")
        return parse_int_field(value, 1, most, &faults.misnumbered_restart_every);
    if (key == "stall_after")
        return parse_int_field(value, 1, most, &faults.stall_after);
    if (key == "unplug_after")
        return parse_int_field(value, 1, most, &faults.unplug_after);
    *known = false;
    return false;
}

// A replay stands for a listed stream and its file must be usable.
bool check_replay(CameraDescription *camera, std::string *error) {
    ReplaySource &replay = camera->replay;
    if (replay.format == 0)
        return true;
    if (!has_size(*stream_sizes(*camera, replay.format), replay.size)) {
        *error = "replay must name a listed format and size";
        return false;
    }
    std::shared_ptr<ReplayFile> file = std::make_shared<ReplayFile>();
    if (!file->open(replay, error))
        return false;
    replay.file = file;
    return true;
}

// Checks what only the whole description can tell; `deflt` is the `default` value.
bool finish(CameraDescription *camera, const std::string &deflt, std::string *error) {
    if (!check_replay(camera, error))
        return false;
    if (camera->vid < 0 || camera->pid < 0) {
        *error = "vid and pid are required";
        return false;
    }
    if (camera->mjpeg.empty() && camera->yuyv.empty()) {
        *error = "at least one of mjpeg and yuyv must list frame sizes";
        return false;
    }
    if (deflt.empty()) {
        camera->default_format = camera->mjpeg.empty() ? 3 : 9;
        camera->default_size = camera->mjpeg.empty() ? camera->yuyv[0] : camera->mjpeg[0];
        return true;
    }
    size_t space = deflt.find(' ');
    int code = format_code(deflt.substr(0, space));
    FrameSize size;
    if (code == 0 || space == std::string::npos || !parse_size(deflt.substr(space + 1), &size) ||
        !has_size(*stream_sizes(*camera, code), size)) {
        *error = "default must be `mjpeg WxH` or `yuyv WxH` with a listed size";
        return false;
    }
    camera->default_format = code;
    camera->default_size = size;
    return true;
}

}  // namespace

int camera_terminal_control_bit(const std::string &name) {
    return find_control(kCameraTerminalControls, 24, name);
}

int processing_unit_control_bit(const std::string &name) {
    return find_control(kProcessingUnitControls, 15, name);
}

const std::vector<FrameSize> *stream_sizes(const CameraDescription &camera, int format) {
    switch (format) {
        case 3:
            return &camera.yuyv;
        case 9:
            return &camera.mjpeg;
        case 13:
            return &camera.h264;
        default:
            return nullptr;
    }
}

bool parse_camera_description(int fd, CameraDescription *camera, std::string *error) {
    std::vector<DescriptionEntry> entries;
    if (!read_description(fd, &entries, error))
        return false;
    *camera = CameraDescription();
    for (int bit = 0; bit < 24; ++bit)
        camera->ct_ranges[bit] = kCameraTerminalControls[bit].range;
    for (int bit = 0; bit < 15; ++bit)
        camera->pu_ranges[bit] = kProcessingUnitControls[bit].range;
    std::set<std::string> seen;
    std::string deflt;
    for (const DescriptionEntry &entry : entries) {
        std::string where = "line " + std::to_string(entry.line) + ": ";
        bool known = false;
        bool valid = apply_entry(entry, camera, &deflt, &known);
        if (!known) {
            *error = where + "unknown key `" + entry.key + "`";
            return false;
        }
        if (!valid) {
            *error = where + "bad value `" + entry.value + "` for `" + entry.key + "`";
            return false;
        }
        if (!seen.insert(entry.key).second) {
            *error = where + "`" + entry.key + "` given twice";
            return false;
        }
    }
    return finish(camera, deflt, error);
}
