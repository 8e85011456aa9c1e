# 64-bit ARM (Android's arm64-v8a) with Debian's crossbuild-essential-arm64, tests under qemu.
set(CMAKE_SYSTEM_PROCESSOR aarch64)
set(ORRIN_CROSS_TRIPLE aarch64-linux-gnu)
set(ORRIN_CROSS_QEMU qemu-aarch64)
include(${CMAKE_CURRENT_LIST_DIR}/debian-cross.cmake)
