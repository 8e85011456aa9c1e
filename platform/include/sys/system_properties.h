// System property lookup, as the system calls it.
#pragma once

#define PROP_NAME_MAX 32
#define PROP_VALUE_MAX 92

#ifdef __cplusplus
extern "C" {
#endif

// Copies the value of `name` into `value` (PROP_VALUE_MAX bytes) and returns its length;
// 0 and an empty value when unset; -1 and an empty value when the name is null or too long.
int __system_property_get(const char *name, char *value);

#ifdef __cplusplus
}
#endif
