// What the test controls set for recorder objects: the input colour format they report and
// whether their Init fails.
#pragma once

int recorderColorFormat();
bool recorderInitFails();
