# What both Debian cross toolchains share. The including file sets ORRIN_CROSS_TRIPLE (the GNU
# triple of Debian's crossbuild-essential compilers), CMAKE_SYSTEM_PROCESSOR and ORRIN_CROSS_QEMU
# (qemu's user-mode emulator for that processor).
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_C_COMPILER ${ORRIN_CROSS_TRIPLE}-gcc)
set(CMAKE_CXX_COMPILER ${ORRIN_CROSS_TRIPLE}-g++)

# Debian multiarch: the target's libraries and CMake packages sit in /usr/lib/<triple> of the
# host's own root, its headers in /usr/include/<triple> and /usr/include, which the cross
# compilers already search.
set(CMAKE_LIBRARY_ARCHITECTURE ${ORRIN_CROSS_TRIPLE})
set(ENV{PKG_CONFIG_LIBDIR} /usr/lib/${ORRIN_CROSS_TRIPLE}/pkgconfig:/usr/share/pkgconfig)
set(ENV{PKG_CONFIG_PATH} "")

# CTest runs the test programs, and gtest_discover_tests lists their tests, under qemu. The
# programs start with the multiarch loader and C library (/lib/ld-linux-*, /lib/<triple>), as
# every other library of theirs comes from there. Not -L /usr/<triple>: the cross toolchain's
# loader with the multiarch C library, of another build, hangs in the first pthread_create.
find_program(ORRIN_QEMU ${ORRIN_CROSS_QEMU} REQUIRED)
set(CMAKE_CROSSCOMPILING_EMULATOR ${ORRIN_QEMU})
