#include "cli/output_pattern.h"

#include <filesystem>
#include <system_error>

#include "cli/result_output.h"
#include "lumivex/path_names.h"

namespace lumivex::cli {

std::string outputFor(const std::string& pattern, const std::string& photo, bool thumbnail) {
    const std::string folder = platform::folderOf(photo);
    const std::string name = platform::nameOf(photo);
    const size_t dot = name.find_last_of('.');
    const bool hasExtension = dot != std::string::npos && dot > 0;
    const std::string stem = hasExtension ? name.substr(0, dot) : name;
    const std::string extension = hasExtension ? name.substr(dot + 1) : "";
    std::string text = pattern;
    if (!text.empty() && text.back() == '/') text += thumbnail ? "%f.thumb.jpg" : (hasExtension ? "%f.%e" : "%f");
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            out += text[i];
            continue;
        }
        if (++i == text.size()) return "";
        switch (text[i]) {
            case 'd':
                out += folder;
                break;
            case 'f':
                out += stem;
                break;
            case 'e':
                out += extension;
                break;
            case '%':
                out += '%';
                break;
            default:
                return "";
        }
    }
    return out;
}

PhotoResult editCopy(const PhotoJob& job, const std::string& operation, const std::string& photo,
                     const std::string& output, bool force, bool dryRun) {
    if (dryRun) {
        PhotoResult result = job(photo, {});
        if (!result.failed) result.message += (result.message.empty() ? "" : "; ") + ("into '" + output + "'");
        return result;
    }
    namespace fs = std::filesystem;
    std::error_code error;
    if (force) {
        // Another spelling of the photo's own name (or a link to it): removing it would lose the photo.
        if (fs::equivalent(photo, output, error)) {
            return toolResult(photo, operation, "refused", "'" + output + "' is the photo itself");
        }
        const fs::file_status there = fs::symlink_status(output, error);
        if (fs::is_directory(there)) return toolResult(photo, operation, "refused", "'" + output + "' is a folder");
        if (fs::exists(there) || fs::is_symlink(there)) fs::remove(output, error);  // the link, not its target
    }
    // copy_file refuses an existing output: nothing is written over or through it.
    if (!fs::copy_file(photo, output, fs::copy_options::none, error)) {
        return toolResult(photo, operation, "refused", "cannot write '" + output + "': " + error.message());
    }
    // A read-only photo gives a read-only copy, which is ours to edit.
    fs::permissions(output, fs::perms::owner_write, fs::perm_options::add, error);
    PhotoResult result = job(output, {});
    result.path = photo;
    if (result.failed) {
        fs::remove(output, error);
    } else {
        result.message += (result.message.empty() ? "" : "; ") + ("written to '" + output + "'");
    }
    return result;
}

}  // namespace lumivex::cli
