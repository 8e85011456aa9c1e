// The encoder that recordings go through: the media recorder with the MP4 muxer in
// libOrrinUVC5_TL, the RGBX encoder that writes its own file in libOrrinUVC0
// (ORRIN_HW_ENCODER). Code shared by both reaches the encoder object as RecorderObject, whose
// common operations have the same names in both libraries.
#pragma once

#ifdef ORRIN_HW_ENCODER
#include <OMXLib.h>
typedef OMXLib RecorderLibrary;
typedef OMXWrapper RecorderObject;
#else
#include <FFMpegLib.h>
#include <LibMediaRecorder.h>
typedef LibMediaRecorder RecorderLibrary;
typedef MediaRecorder RecorderObject;
#endif
