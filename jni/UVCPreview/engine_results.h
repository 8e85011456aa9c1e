// Results of the engine's own operations (recording results are in UVCPreview_record.h, the
// camera object's in UVCCamera.h).
#pragma once

enum {
    ENGINE_FAILED = -1,                // a window could not be locked, an extension message failed
    ENGINE_NULL_ARGUMENT = -2,         // a null or too small argument
    CAPTURE_NOT_RUNNING = -4,          // get_capture_buffer: the engine is not running
    CAPTURE_NO_PICTURE = -5,           // no picture: stopped, no frames yet, or replaced by a newer
    CAPTURE_TIMED_OUT = -6,            // no picture within the capture wait
    CAPTURE_WAIT_FAILED = -7,          // the wait itself failed
    CAPTURE_BUFFER_TOO_SMALL = -8,     // the picture is larger than the caller's buffer
    DIAGNOSTIC_QUERY_FAILED = -9,      // the camera did not answer the diagnostic query
    WINDOW_GEOMETRY_FAILED = -10,      // the preview window refused the frame's geometry
    ENGINE_NO_DEVICE = -75,            // no open camera (the camera object says the same)
    CONTROLS_UNKNOWN = -121,           // the camera reports no terminal or processing unit
    STILL_RESOLUTIONS_UNKNOWN = -122,  // the camera reports no still size
};
