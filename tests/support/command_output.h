// Runs a shell command for a test and hands back what it printed.
#pragma once

#include <string>

// Standard output of `command`; its exit status goes to `status` when given.
std::string command_output(const std::string &command, int *status = nullptr);
