#include "media_probe.h"

#include <stdlib.h>

#include <algorithm>
#include <sstream>

#include "command_output.h"

std::vector<std::pair<std::string, std::string>> ffprobe_fields(const std::string &path,
                                                                const std::string &options) {
    std::vector<std::pair<std::string, std::string>> fields;
    int status = -1;
    std::string out = command_output(
        "ffprobe -v error " + options + " -of default=nw=1 '" + path + "' 2>/dev/null", &status);
    if (status != 0)
        return fields;
    std::istringstream lines(out);
    std::string line;
    while (std::getline(lines, line)) {
        size_t eq = line.find('=');
        if (eq != std::string::npos)
            fields.emplace_back(line.substr(0, eq), line.substr(eq + 1));
    }
    return fields;
}

std::vector<std::vector<uint8_t>> decoded_pictures(const std::string &path, int width, int height,
                                                   const std::string &pixel_format,
                                                   int bytes_per_pixel,
                                                   const std::string &options) {
    std::string raw = command_output("ffmpeg -v error -i '" + path + "' " + options +
                                     " -f rawvideo -pix_fmt " + pixel_format + " - 2>/dev/null");
    const size_t bytes = (size_t)width * height * bytes_per_pixel;
    std::vector<std::vector<uint8_t>> pictures;
    for (size_t at = 0; bytes > 0 && at + bytes <= raw.size(); at += bytes)
        pictures.emplace_back(raw.begin() + at, raw.begin() + at + bytes);
    return pictures;
}

std::vector<double> packet_times(const std::string &path, const char *kind) {
    std::vector<double> times;
    for (const auto &[key, value] : ffprobe_fields(
             path, std::string("-select_streams ") + kind + " -show_entries packet=pts_time")) {
        if (key == "pts_time" && value != "N/A")
            times.push_back(atof(value.c_str()));
    }
    return times;
}

ProbedMedia probe_media(const std::string &path) {
    ProbedMedia media;
    for (const auto &[key, value] :
         ffprobe_fields(path, "-show_entries stream=codec_name:format=duration")) {
        if (key == "codec_name")
            media.codecs += (media.codecs.empty() ? "" : ",") + value;
        else if (key == "duration")
            media.duration = atof(value.c_str());
    }
    media.readable = !media.codecs.empty();
    return media;
}

double tone_hz(const std::string &path) {
    const int rate = 48000;
    std::string raw = command_output("ffmpeg -v error -i '" + path +
                                     "' -vn -f s16le -ac 1 -ar 48000 - 2>/dev/null");
    const int16_t *samples = reinterpret_cast<const int16_t *>(raw.data());
    const size_t count = raw.size() / 2;
    const size_t first = std::min<size_t>(count, rate / 10);
    if (count <= first + 1)
        return 0;
    int crossings = 0;
    for (size_t i = first + 1; i < count; i++)
        crossings += (samples[i - 1] < 0) != (samples[i] < 0) ? 1 : 0;
    return crossings / 2.0 / ((double)(count - first) / rate);
}
