#include "demo_outputs.h"

#include <png.h>
#include <stdio.h>
#include <turbojpeg.h>

#include <fstream>
#include <regex>
#include <sstream>

#include "command_output.h"
#include "uvc_testing.h"

std::string read_file(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

bool read_png(const std::string &path, Picture *picture) {
    png_image image = {};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str()))
        return false;
    image.format = PNG_FORMAT_RGBA;
    picture->width = (int)image.width;
    picture->height = (int)image.height;
    picture->rgbx.assign(PNG_IMAGE_SIZE(image), 0);
    bool ok = png_image_finish_read(&image, nullptr, picture->rgbx.data(), 0, nullptr);
    png_image_free(&image);
    return ok && picture->width > 0 && picture->height > 0;
}

bool read_jpeg(const std::string &path, Picture *picture) {
    std::string bytes = read_file(path);
    if (bytes.empty())
        return false;
    tjhandle tj = tjInitDecompress();
    int width = 0, height = 0, subsampling = 0, colours = 0;
    bool ok = tjDecompressHeader3(tj, (const unsigned char *)bytes.data(), bytes.size(), &width,
                                  &height, &subsampling, &colours) == 0;
    if (ok) {
        picture->width = width;
        picture->height = height;
        picture->rgbx.assign((size_t)width * height * 4, 0);
        ok = tjDecompress2(tj, (const unsigned char *)bytes.data(), bytes.size(),
                           picture->rgbx.data(), width, 0, height, TJPF_RGBX, 0) == 0;
    }
    tjDestroy(tj);
    return ok;
}

std::vector<int64_t> video_counters(const std::string &path, int samples) {
    std::vector<int64_t> counters;
    int status = -1;
    std::string size = command_output(
        "ffprobe -v error -select_streams v:0 -count_frames "
        "-show_entries stream=width,height,nb_read_frames "
        "-of csv=p=0 '" +
            path + "' 2>/dev/null",
        &status);
    int width = 0, height = 0, frames = 0;
    if (status != 0 || sscanf(size.c_str(), "%d,%d,%d", &width, &height, &frames) != 3 ||
        width <= 0 || height <= 0 || frames <= 0) {
        return counters;
    }
    int step = frames / samples > 0 ? frames / samples : 1;
    std::string raw =
        command_output("ffmpeg -nostdin -v error -i '" + path + "' -vf 'select=not(mod(n\\," +
                           std::to_string(step) + "))' -vsync vfr -frames:v " +
                           std::to_string(samples) + " -f rawvideo -pix_fmt rgb0 - 2>/dev/null",
                       &status);
    const size_t bytes = (size_t)width * height * 4;
    for (size_t at = 0; at + bytes <= raw.size(); at += bytes)
        counters.push_back(
            uvc_test_decode_counter((const uint8_t *)raw.data() + at, width, height, 0));
    return counters;
}

std::vector<int64_t> report_counters(const std::string &html) {
    std::vector<int64_t> counters;
    std::regex cell("<td class=\"counter\">(-?[0-9]+)</td>");
    for (auto it = std::sregex_iterator(html.begin(), html.end(), cell);
         it != std::sregex_iterator(); ++it) {
        counters.push_back(std::stoll((*it)[1]));
    }
    return counters;
}
