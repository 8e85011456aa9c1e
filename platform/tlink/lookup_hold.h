// Name lookups held back by the test controls (tlink_test.h).
#pragma once

// Returns once the test controls do not hold lookups back (at once when never armed).
void wait_while_lookups_held();
