#include "mic_description.h"

#include <cerrno>
#include <cstdlib>
#include <sstream>

#include "description.h"

namespace {

// Whole-string integer in decimal or 0x-prefixed hex (a leading 0 is not octal).
bool parse_int(const std::string &text, long min, long max, long *out) {
    if (text.empty() || text[0] == '-' || text[0] == '+')
        return false;
    bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    char *end = nullptr;
    errno = 0;
    long value = strtol(text.c_str(), &end, hex ? 16 : 10);
    if (errno != 0 || *end != '\0' || value < min || value > max)
        return false;
    *out = value;
    return true;
}

bool parse_number(const std::string &text, double min, double max, double *out) {
    if (text.empty())
        return false;
    char *end = nullptr;
    double value = strtod(text.c_str(), &end);
    if (*end != '\0' || !(value >= min && value <= max))
        return false;
    *out = value;
    return true;
}

bool parse_rates(const std::string &text, std::vector<unsigned> *rates) {
    std::vector<unsigned> parsed;
    std::stringstream items(text);
    std::string item;
    while (std::getline(items, item, ',')) {
        size_t first = item.find_first_not_of(" \t");
        size_t last = item.find_last_not_of(" \t");
        long rate = 0;
        if (first == std::string::npos ||
            !parse_int(item.substr(first, last - first + 1), 1000, 384000, &rate)) {
            return false;
        }
        for (unsigned known : parsed) {
            if (known == (unsigned)rate)
                return false;
        }
        parsed.push_back((unsigned)rate);
    }
    if (parsed.empty())
        return false;
    *rates = parsed;
    return true;
}

// "sine <Hz> [amplitude]", "noise [amplitude]", "silence" or "clapper".
bool parse_source(const std::string &text, MicDescription *mic) {
    std::stringstream words(text);
    std::string kind, first, second, extra;
    words >> kind >> first >> second >> extra;
    if (!extra.empty())
        return false;
    if (kind == "clapper") {
        mic->signal = SignalKind::Clapper;
        return first.empty();
    }
    if (kind == "silence") {
        mic->signal = SignalKind::Silence;
        return first.empty();
    }
    if (kind == "noise") {
        mic->signal = SignalKind::Noise;
        return second.empty() && (first.empty() || parse_number(first, 1e-6, 1.0, &mic->amplitude));
    }
    if (kind == "sine") {
        mic->signal = SignalKind::Sine;
        return parse_number(first, 1.0, 100000.0, &mic->frequency) &&
               (second.empty() || parse_number(second, 1e-6, 1.0, &mic->amplitude));
    }
    return false;
}

bool parse_entry(const DescriptionEntry &entry, MicDescription *mic) {
    long value = 0;
    if (entry.key == "vid" || entry.key == "pid") {
        if (!parse_int(entry.value, 0, 0xffff, &value))
            return false;
        (entry.key == "vid" ? mic->vid : mic->pid) = (int)value;
    } else if (entry.key == "microphone") {
        if (entry.value != "on" && entry.value != "off")
            return false;
        mic->present = entry.value == "on";
    } else if (entry.key == "mic_rates") {
        return parse_rates(entry.value, &mic->rates);
    } else if (entry.key == "mic_bits") {
        if (!parse_int(entry.value, 16, 32, &value) || value % 8 != 0)
            return false;
        mic->bits = (int)value;
    } else if (entry.key == "mic_channels") {
        if (!parse_int(entry.value, 1, 8, &value))
            return false;
        mic->channels = (int)value;
    } else if (entry.key == "mic_source") {
        return parse_source(entry.value, mic);
    } else if (entry.key == "clapper") {
        if (!parse_int(entry.value, 200, 600000, &value))
            return false;
        mic->clapper_ms = (int)value;
    } else if (entry.key == "mic_delay_ms") {
        bool early = !entry.value.empty() && entry.value[0] == '-';
        if (!parse_int(early ? entry.value.substr(1) : entry.value, 0, 1000, &value))
            return false;
        mic->delay_ms = early ? -(int)value : (int)value;
    }
    return true;
}

}  // namespace

bool read_mic_description(int fd, MicDescription *mic, std::string *error) {
    std::vector<DescriptionEntry> entries;
    if (!read_description(fd, &entries, error))
        return false;
    *mic = MicDescription();
    for (const DescriptionEntry &entry : entries) {
        if (!parse_entry(entry, mic)) {
            *error = "line " + std::to_string(entry.line) + ": bad value for " + entry.key + ": `" +
                     entry.value + "`";
            return false;
        }
    }
    if (mic->present && mic->signal == SignalKind::Clapper && mic->clapper_ms == 0) {
        *error = "mic_source clapper needs the device's clapper interval (clapper = MS)";
        return false;
    }
    return true;
}
