// What a recording does the same way in both deliverables.
#include "recording.h"

#include <media_formats.h>

#include "logging.h"

void Recording::report_units_lost() {
    if (mUnitsLost.exchange(true))
        return;
    LOGE("the recording file refused a unit: the rest of the recording is lost\n");
    if (mNotify)
        mNotify(mCameraId, MEDIA_ERROR_CLASS_ENCODER, MEDIA_ERROR_FILE_FAILED,
                (char *)"recording file could not be written");
}
