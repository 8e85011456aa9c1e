// Library-wide settings of the decoder stand-in, changed by its test controls.
#pragma once

// Output colour format for decoders started from now on.
int decoderColorFormat();
// True (and one forced change used up) when a format-change report is due.
bool takeForcedFormatChange();
// True (and one forced failure used up) when a Start is to fail.
bool takeForcedStartFailure();
// Counters of the test controls.
void countStartCall();
void countPutCall();
