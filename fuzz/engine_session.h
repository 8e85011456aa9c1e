// A camera object connected to the default virtual webcam, shared by the engine's fuzz targets.
#pragma once

#include "UVCCamera.h"
#include "UVCPreview.h"

// The engine of a process-wide connected camera; log lines are kept quiet.
UVCPreview *fuzz_engine();
