// The colour format the hardware encoder's H.264 codec lists first: what libOrrinUVC0's
// encoders are made for. Its lines name `operation`; the query line is always written, the
// progress lines as `voice` says.
#pragma once

#include "log_voice.h"

// False when the library has no H.264 encoder. Otherwise true, with `*format` the first listed
// format, left as it was when none is listed.
bool query_avc_color_format(const LogVoice &voice, int *format);
