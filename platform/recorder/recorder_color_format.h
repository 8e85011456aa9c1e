// What the test controls set for recorder objects: the input colour format they report and
// injected faults.
#pragma once

int recorderColorFormat();

struct FaultSwitches;
FaultSwitches &recorderFaults();
