// Test-only controls of the muxer stand-in.
#pragma once

// Holders of the library instance, and muxer objects not yet freed.
int ffmuxer_test_holders();
int ffmuxer_test_objects();
