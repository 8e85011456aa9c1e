# The device build: jni/ alone into the two deliverables, compiled against platform/include/ (the
# calls the system makes on the device's libraries), the JNI headers and the headers of libyuv
# and libjpeg-turbo, and linked with the device's libraries by name. No stand-in and no test is
# part of it, so a dependency of jni/ on either fails to build.

# Folders with the device's libraries that the NDK does not have (libuvc.so, libtlink.so, ...,
# libyuv.so, libturbojpeg.so), e.g. the application's jniLibs/<ABI>. Empty: the linker's own.
set(ORRIN_DEVICE_LIBRARY_DIRS "" CACHE STRING "Folders with the device libraries to link")

include(${CMAKE_CURRENT_LIST_DIR}/JniHeaders.cmake)
find_package(Threads REQUIRED)
find_path(YUV_INCLUDE_DIR libyuv.h REQUIRED)
find_path(TURBOJPEG_INCLUDE_DIR turbojpeg.h REQUIRED)
set(PLATFORM_INCLUDE_DIR ${CMAKE_SOURCE_DIR}/platform/include)

# orrin_device_library(TARGET NAME [INCLUDE_DIR]): TARGET links lib<NAME>.so by name.
function(orrin_device_library target name)
  add_library(${target} INTERFACE IMPORTED GLOBAL)
  target_link_libraries(${target} INTERFACE -l${name})
  target_link_directories(${target} INTERFACE ${ORRIN_DEVICE_LIBRARY_DIRS})
  if(ARGC GREATER 2)
    target_include_directories(${target} INTERFACE ${ARGV2})
  endif()
endfunction()

# Every library jni/CMakeLists.txt links, under the target name it expects.
foreach(lib log android jnigraphics uvc auxa_lumivo MediaDecoder tlink MediaRecorder_TLink
            FFMpegLib OMX)
  orrin_device_library(${lib} ${lib})
endforeach()
orrin_device_library(deps::yuv yuv ${YUV_INCLUDE_DIR})
orrin_device_library(deps::turbojpeg turbojpeg ${TURBOJPEG_INCLUDE_DIR})
orrin_device_library(deps::jpeg jpeg ${TURBOJPEG_INCLUDE_DIR})

add_subdirectory(jni)
