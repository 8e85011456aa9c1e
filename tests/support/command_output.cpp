#include "command_output.h"

#include <cstdio>

std::string command_output(const std::string &command, int *status) {
    std::string output;
    FILE *pipe = popen(command.c_str(), "r");
    if (!pipe)
        return output;
    char chunk[4096];
    size_t got;
    while ((got = fread(chunk, 1, sizeof(chunk), pipe)) > 0)
        output.append(chunk, got);
    const int result = pclose(pipe);
    if (status)
        *status = result;
    return output;
}
