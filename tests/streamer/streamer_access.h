// The media recorder a streamer of libOrrinUVC5_TL holds, for reading the stand-in's own
// counters.
#pragma once

#include "StreamWrapper.h"
#include "encoder.h"

class StreamWrapperAccess {
  public:
    static MediaRecorder *recorder(StreamWrapper *s) {
        return s->mEncoder ? s->mEncoder->get() : nullptr;
    }
};
