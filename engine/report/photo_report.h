// The report of a photo whose records the engine has read (lumivex/photo_report.h is what the front ends see).
#pragma once

#include "lumivex/photo_report.h"

namespace lumivex {

struct PhotoRecords;

// The report of a photo whose records have been read.
PhotoReport photoReportOf(PhotoRecords& records);

}  // namespace lumivex
