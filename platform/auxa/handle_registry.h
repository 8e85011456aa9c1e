// The contexts and devices that are open, so that a stale or foreign handle is refused
// instead of being used.
#pragma once

#include "device.h"

// Adds a context; removes it and answers whether it was open.
void register_context(_AUXA_CONTEXT *context);
bool unregister_context(_AUXA_CONTEXT *context);
bool context_is_open(_AUXA_CONTEXT *context);

// Adds `device` to the registry and to its context, unless the context already holds a
// device opened on the same description file (then false).
bool register_device(_AUXA_DEV *device);
// Removes the device from the registry and its context; false when it was not open.
bool unregister_device(_AUXA_DEV *device);
bool device_is_open(_AUXA_DEV *device);

// The devices still open in `context`.
std::vector<_AUXA_DEV *> context_devices(_AUXA_CONTEXT *context);
