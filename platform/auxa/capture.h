// Starting and stopping a device's capture, and the capture thread that runs the graph.
#pragma once

#include "device.h"

// Starts the capture thread; a running device is left running. AUXA_ERROR_NO_GRAPH when no
// callback node is reachable from the source.
int start_capture(_AUXA_DEV *device);

// Stops and joins the capture thread; AUXA_ERROR_BUSY when called on that thread itself.
int stop_capture(_AUXA_DEV *device);
