// Files a test writes. ctest runs the tests of one program as parallel processes, so every
// process gets its own folder and a name used by two tests can never meet.
#pragma once

#include <string>

// `name` inside this process's own temporary folder, which goes when the process ends.
std::string temp_path(const std::string &name);
