// Library-wide settings of the decoder stand-in, changed by its test controls.
#pragma once

// Output colour format for decoders started from now on.
int decoderColorFormat();
// True (and one forced change used up) when a format-change report is due.
bool takeForcedFormatChange();
