# 32-bit ARM with hardware floating point and NEON (Android's armeabi-v7a) with Debian's
# crossbuild-essential-armhf, tests under qemu.
set(CMAKE_SYSTEM_PROCESSOR armv7l)
set(ORRIN_CROSS_TRIPLE arm-linux-gnueabihf)
set(ORRIN_CROSS_QEMU qemu-arm)
# Debian's armhf default has no NEON; armeabi-v7a has it, so the project's own code is built
# for it as on a phone.
set(CMAKE_C_FLAGS_INIT -mfpu=neon)
set(CMAKE_CXX_FLAGS_INIT -mfpu=neon)
include(${CMAKE_CURRENT_LIST_DIR}/debian-cross.cmake)
