# Imported targets for the Debian libraries the engine and the stand-ins use.
find_package(PkgConfig REQUIRED)
if(CMAKE_CROSSCOMPILING)
  # No JVM of the target: the JVM areas and the demo stay with the host build.
  include(${CMAKE_CURRENT_LIST_DIR}/JniHeaders.cmake)
else()
  # The Debian JDK is headless (no AWT); the JNI headers and libjvm are all the build needs.
  if(NOT DEFINED ENV{JAVA_HOME} AND EXISTS /usr/lib/jvm/java-17-openjdk-amd64)
    set(JAVA_HOME /usr/lib/jvm/java-17-openjdk-amd64)
  endif()
  find_package(JNI REQUIRED COMPONENTS JVM)
endif()
find_package(Threads REQUIRED)
find_package(GTest REQUIRED)

# libyuv ships without a pkg-config file on Debian.
find_library(YUV_LIBRARY yuv REQUIRED)
find_path(YUV_INCLUDE_DIR libyuv.h REQUIRED)
add_library(deps::yuv INTERFACE IMPORTED)
target_link_libraries(deps::yuv INTERFACE ${YUV_LIBRARY})
target_include_directories(deps::yuv INTERFACE ${YUV_INCLUDE_DIR})

pkg_check_modules(TURBOJPEG REQUIRED IMPORTED_TARGET libturbojpeg)
add_library(deps::turbojpeg ALIAS PkgConfig::TURBOJPEG)
# libjpeg-turbo's libjpeg API: the header reader that tells where an MJPEG frame's data starts.
pkg_check_modules(JPEG REQUIRED IMPORTED_TARGET libjpeg)
add_library(deps::jpeg ALIAS PkgConfig::JPEG)
pkg_check_modules(PNG REQUIRED IMPORTED_TARGET libpng)
add_library(deps::png ALIAS PkgConfig::PNG)
pkg_check_modules(FFMPEG REQUIRED IMPORTED_TARGET
  libavcodec libavformat libavutil libswresample libswscale)
add_library(deps::ffmpeg ALIAS PkgConfig::FFMPEG)
pkg_check_modules(SPEEXDSP REQUIRED IMPORTED_TARGET speexdsp)
add_library(deps::speexdsp ALIAS PkgConfig::SPEEXDSP)
