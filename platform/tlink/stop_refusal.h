// Stop refusals armed by the test controls (tlink_test.h).
#pragma once

// The code the current TlinkAsyncStop call is to return instead of stopping, or 0 (counts the
// armed refusals down).
int take_stop_refusal();
