// The encoder that recordings and the streamer go through, with the library instance it came
// from: the media recorder in libOrrinUVC5_TL, the hardware encoder in libOrrinUVC0
// (ORRIN_HW_ENCODER). Code shared by both reaches the encoder object as RecorderObject, whose
// common operations have the same names in both libraries. The type differs between the
// deliverables, so classes seen by both hold an Encoder through a pointer, never by value.
#pragma once

#include "library_object.h"

#ifdef ORRIN_HW_ENCODER
#include <OMXLib.h>
typedef OMXLib RecorderLibrary;
typedef OMXWrapper RecorderObject;
#else
#include <LibMediaRecorder.h>
typedef LibMediaRecorder RecorderLibrary;
typedef MediaRecorder RecorderObject;
#endif

class Encoder : public LibraryObject<RecorderLibrary, RecorderObject> {
  public:
    using LibraryObject::LibraryObject;
    explicit Encoder(LibraryObject &&taken) : LibraryObject(std::move(taken)) {}
};
