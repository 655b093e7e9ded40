// Stand-in until the edits that keep every field land: the thumbnail goes in place where it is last.
#include "engine/exif/photo_info.h"
#include "engine/jpeg/sections.h"
#include "engine/thumbnail/keep_all.h"
#include "engine/thumbnail/thumbnail_edit.h"

namespace lumivex {

const char* routeName(ReplaceRoute route) {
    switch (route) {
        case ReplaceRoute::InPlace:
            return "in place";
        case ReplaceRoute::Appended:
            return "appended";
        case ReplaceRoute::NewDirectory:
            return "new thumbnail directory";
        case ReplaceRoute::MinimalExif:
            return "minimal Exif block";
        case ReplaceRoute::Refused:
            break;
    }
    return "refused";
}

ReplacePlan planKeepAllReplacement(uint64_t newLength) {
    ReplacePlan plan;
    if (photoInfo.thumbOffset == 0 || photoInfo.thumbAtEnd == 0) {
        plan.why = "not yet";
        return plan;
    }
    if (photoInfo.thumbOffset + newLength > kMaxThumbnailEnd) {
        plan.why = "too large";
        return plan;
    }
    plan.route = ReplaceRoute::InPlace;
    return plan;
}

ReplacePlan replaceKeepingAll(const std::vector<uint8_t>& thumbnail) {
    return planKeepAllReplacement(thumbnail.size());
}

RemoveResult removeKeepingAll(std::string* why) {
    const int r = swapThumbnail(nullptr);
    if (r == ThumbDone) return RemoveResult::Removed;
    if (r == ThumbNoneToRemove) return RemoveResult::NoThumbnail;
    if (why) *why = "cannot remove";
    return RemoveResult::Refused;
}

}  // namespace lumivex
