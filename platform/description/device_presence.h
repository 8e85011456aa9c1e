// Which virtual devices are still plugged in. A virtual device is the description file it is
// read from; its camera and its microphone are two functions of one USB device, so when the
// camera is unplugged the microphone goes with it. One copy per process (a shared library), as
// there is one USB bus under the camera and the audio library.
#pragma once

#include <stdint.h>
#include <sys/types.h>

struct DeviceIdentity {
    dev_t device = 0;
    ino_t inode = 0;
};

// The identity of the description behind `fd`; false when fd refers to no file.
bool device_identity_of(int fd, DeviceIdentity *identity);

// How often the device was unplugged in this process. A function that opened the device keeps
// the count it saw: once it changes, that function's device is gone (a later open is a replug).
uint64_t device_unplug_count(const DeviceIdentity &identity);

// Reports that the device left the bus.
void device_unplugged(const DeviceIdentity &identity);
