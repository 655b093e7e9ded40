#include "cli/preview_options.h"

#include "cli/embedded_previews.h"

namespace lumivex::cli {

bool setPreviewOption(const std::string& name, const std::string& value, CommandLine& line, std::string& problem) {
    if (name == "--preview") {
        PreviewKind kind;
        int index = 0;
        if (!parsePreviewSpec(value, kind, index)) {
            problem = "--preview takes KIND or KIND:N (exif, mpf, makernote, photoshop, xmp, jfxx, flashpix)";
            return false;
        }
        line.preview = value;
        return true;
    }
    std::string why;
    if (!parsePreviewKinds(value, line.previews, why)) {
        problem = "--previews: " + why;
        return false;
    }
    return true;
}

}  // namespace lumivex::cli
