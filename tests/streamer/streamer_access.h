// The encoder objects a streamer holds, for reading the stand-ins' own counters.
#pragma once

#include "StreamWrapper.h"

class StreamWrapperAccess {
  public:
    static MediaRecorder *recorder(StreamWrapper *s) { return s->mMediaRecorderWrapper; }
    static OMXWrapper *encoder(StreamWrapper *s) { return s->mOMXWrapper; }
};
