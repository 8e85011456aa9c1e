// System property table of the host: empty until a test sets values.
#include <sys/system_properties.h>

#include <cstring>
#include <map>
#include <mutex>
#include <string>

#include "host_android.h"

namespace {
std::mutex g_mutex;  // guards g_properties
std::map<std::string, std::string> g_properties;
}  // namespace

extern "C" int __system_property_get(const char *name, char *value) {
    if (value)
        value[0] = '\0';
    if (!name || !value || strnlen(name, PROP_NAME_MAX) >= PROP_NAME_MAX)
        return -1;
    std::lock_guard<std::mutex> lock(g_mutex);
    auto found = g_properties.find(name);
    if (found == g_properties.end())
        return 0;
    size_t length = found->second.copy(value, PROP_VALUE_MAX - 1);
    value[length] = '\0';
    return (int)length;
}

void host_property_set(const char *name, const char *value) {
    if (!name)
        return;
    std::lock_guard<std::mutex> lock(g_mutex);
    g_properties[name] = value ? value : "";
}

void host_property_clear() {
    std::lock_guard<std::mutex> lock(g_mutex);
    g_properties.clear();
}
