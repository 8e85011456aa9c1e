// The input colour format recorder objects report (set by the test controls).
#pragma once

int recorderColorFormat();
