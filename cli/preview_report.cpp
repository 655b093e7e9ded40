#include "cli/preview_report.h"

#include <fmt/format.h>

#include "cli/json_text.h"

namespace lumivex::cli {

const char* roleName(PreviewRole role) {
    switch (role) {
        case PreviewRole::Picture:
            return "picture";
        case PreviewRole::GainMap:
            return "gain map";
        case PreviewRole::DepthMap:
            return "depth map";
        case PreviewRole::Other:
            break;
    }
    return "other";
}

std::string previewsJson(const previews::PreviewScan& scan) {
    std::string json = "[";
    for (size_t i = 0; i < scan.found.size(); ++i) {
        const PreviewCopy& c = scan.found[i].copy;
        json += i == 0 ? "" : ", ";
        json += "{\"kind\": \"" + std::string(previewKindName(c.kind)) + "\", \"index\": " + std::to_string(c.index) +
                ", \"offset\": " + std::to_string(c.offset) + ", \"length\": " + std::to_string(c.length) +
                ", \"width\": " + std::to_string(c.width) + ", \"height\": " + std::to_string(c.height) +
                ", \"format\": " + jsonStringFromBytes(c.format) + ", \"role\": \"" + roleName(c.role) +
                "\", \"note\": " + jsonStringFromBytes(c.note) + "}";
    }
    return json + "]";
}

std::string previewsText(const previews::PreviewScan& scan) {
    std::string text;
    for (const previews::FoundPreview& found : scan.found) {
        const PreviewCopy& c = found.copy;
        text.append(fmt::format("{:<18}: ", "Preview")).append(previews::describeCopy(c)).append(", ").append(c.format);
        if (c.width > 0) text.append(fmt::format(" {}x{}", c.width, c.height));
        text.append(fmt::format(", {} bytes at offset {}\n", c.length, c.offset));
    }
    return text;
}

}  // namespace lumivex::cli
