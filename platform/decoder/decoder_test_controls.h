// Test-only controls of the decoder stand-in.
#pragma once

// The output colour format of decoders started from now on (21 by default, or 19).
void media_decoder_test_set_color_format(int format);
// The next `count` pictures of any decoder are replaced by one output-format-change report each.
void media_decoder_test_force_format_change(int count);
// Holders of the library instance, and decoder objects not yet freed.
int media_decoder_test_holders();
int media_decoder_test_objects();
