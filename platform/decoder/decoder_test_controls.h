// Test-only controls of the decoder stand-in.
#pragma once

// The output colour format of decoders started from now on (21 by default, or 19).
void media_decoder_test_set_color_format(int format);
// The next `count` pictures of any decoder are replaced by one output-format-change report each.
void media_decoder_test_force_format_change(int count);
// The next `count` calls of Start on any decoder fail (-1) and leave it stopped; 0 clears.
void media_decoder_test_fail_start(int count);
// Calls of Start and of PutData on any decoder, counted from the first use of the library.
int media_decoder_test_start_calls();
int media_decoder_test_put_calls();
// Holders of the library instance, and decoder objects not yet freed.
int media_decoder_test_holders();
int media_decoder_test_objects();
