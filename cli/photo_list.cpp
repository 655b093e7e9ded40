#include "cli/photo_list.h"

#include <cstdio>
#include <map>
#include <set>

#include "cli/file_system.h"
#include "cli/interrupt.h"
#include "lumivex/file_services.h"
#include "lumivex/path_names.h"

namespace lumivex::cli {

namespace {

bool endsWith(const std::string& text, const char* suffix) {
    const std::string s = suffix;
    return text.size() >= s.size() && text.compare(text.size() - s.size(), s.size(), s) == 0;
}

std::string baseName(const std::string& path) { return path.substr(platform::nameStart(path)); }

bool looksLikeJpegName(const std::string& name) {
    std::string lower;
    for (char c : name) lower += static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    return endsWith(lower, ".jpg") || endsWith(lower, ".jpeg");
}

// "dir//./p.jpg" and "dir/p.jpg" name the same output before it exists.
std::string plainPath(const std::string& path) {
    std::string out;
    for (size_t i = 0; i < path.size(); ++i) {
        if (path[i] == '/' && !out.empty() && out.back() == '/') continue;
        if (path.compare(i, 2, "./") == 0 && (out.empty() || out.back() == '/')) {
            ++i;
            continue;
        }
        out += path[i];
    }
    return out;
}

// The first n bytes of a regular file, or nothing when it cannot be read. One non-blocking open, then the
// open file itself is asked what it is: a FIFO or a device swapped in after the walk looked is never waited
// on. A link (with --follow) is opened at its target.
std::optional<std::string> firstBytesOfRegularFile(const std::string& path, size_t n) {
    std::string target = path;
    platform::FileStatus status;
    if (platform::statLink(path.c_str(), status) && status.isLink && !platform::resolvePath(path.c_str(), target)) {
        return std::nullopt;
    }
    const platform::OpenFile file = platform::openForReading(target.c_str());
    if (!file.isOpen() || !platform::statOpenFile(file, status) || !status.isRegular) return std::nullopt;
    std::FILE* stream = platform::streamOf(file, "rb");
    if (stream == nullptr) return std::nullopt;
    std::string bytes(n, '\0');
    bytes.resize(std::fread(bytes.data(), 1, n, stream));
    std::fclose(stream);
    return bytes;
}

// Deeper than any real library; a guard against a walk that never ends.
constexpr int kMaxFolderDepth = 256;

class Collector {
  public:
    explicit Collector(const CommandLine& line) : line_(line) {}

    PhotoList run() {
        if (line_.command == "export" && line_.output.empty()) {
            exportPairs();
        } else {
            for (const std::string& operand : line_.operands) named(operand);
        }
        return std::move(list_);
    }

  private:
    void add(const std::string& path, const std::string& output = {}) { list_.tasks.push_back({path, output, {}}); }

    void addReady(const std::string& path, const char* outcome, std::string message) {
        list_.tasks.push_back({path, {}, toolResult(path, line_.command, outcome, std::move(message))});
    }

    // One entry per file for the edits: the second name of a file would edit the first one's result.
    // status: what the path names, where the caller has looked already (one look per name).
    void addPhoto(const std::string& path, const std::optional<platform::FileStatus>& status) {
        if (!isEdit(line_.command)) return add(path);
        if (isToolFileName(baseName(path))) {
            return addReady(path, "nothing to do", "a backup or temporary file of lumivex; left as it is");
        }
        // A file named twice is edited once; hard links only when edited in place (otherwise each is refused).
        if (status && (line_.inPlace || status->links <= 1)) {
            const auto [at, fresh] = edited_.insert({status->identity, path});
            if (!fresh) {
                return addReady(
                    path, "nothing to do",
                    "the same file as '" + at->second + "' (a hard link): that name's result is this one's");
            }
        }
        add(path);
    }

    void named(const std::string& operand) {
        const auto status = followedStatus(operand);
        if (!status || !status->isDirectory) return addPhoto(operand, status);
        if (!line_.recursive) {
            list_.tasks.push_back(
                {operand, {}, toolResult(operand, line_.command, "failed", "is a folder; -r walks folders")});
            return;
        }
        walk(operand, 0);
    }

    void walk(const std::string& folder, int depth) {
        const auto status = followedStatus(folder);
        if (status && !foldersSeen_.insert(status->identity).second) return;  // a loop, or reached twice by links
        if (depth > kMaxFolderDepth) {
            list_.tasks.push_back(
                {folder, {}, toolResult(folder, line_.command, "failed", "folders nested too deep; not walked")});
            return;
        }
        std::string error;
        const auto names = folderEntries(folder, error);
        if (!names) {
            list_.tasks.push_back(
                {folder, {}, toolResult(folder, line_.command, "failed", "cannot read the folder: " + error)});
            return;
        }
        for (const std::string& name : *names) {
            if (interrupted()) return;  // Ctrl-C during a long walk: no photo will be started anyway
            if (isToolFileName(name)) continue;
            const std::string path = joinPath(folder, name);
            FileKind kind = fileKind(path, false);
            if (kind == FileKind::Link) {
                if (!line_.follow) {
                    ++list_.linksSkipped;
                    continue;
                }
                kind = fileKind(path, true);
            }
            if (kind == FileKind::Directory) {
                walk(path, depth + 1);
            } else if (kind == FileKind::Regular) {
                regularFile(path, name);
            }
            // Devices, FIFOs and sockets are never opened: a FIFO would block the walk.
        }
    }

    // Taken when its content starts as a JPEG does (SOI then a marker), whatever its name.
    void regularFile(const std::string& path, const std::string& name) {
        const auto head = firstBytesOfRegularFile(path, 3);
        if (!head) {
            if (looksLikeJpegName(name)) addPhoto(path, followedStatus(path));  // unreadable: the job says why
            return;
        }
        if (*head == "\xFF\xD8\xFF") {
            addPhoto(path, followedStatus(path));
        } else {
            ++list_.notJpeg;
        }
    }

    // Two workers writing one OUT would race, and the later pair would silently win: refuse it here.
    void exportPairs() {
        std::set<std::string> outputs;
        for (size_t i = 0; i + 1 < line_.operands.size(); i += 2) {
            const std::string& photo = line_.operands[i];
            const std::string& out = line_.operands[i + 1];
            if (out != "-" && !outputs.insert(plainPath(out)).second) {
                list_.tasks.push_back(
                    {photo, out,
                     toolResult(photo, "export", "refused", "'" + out + "' is the output of an earlier photo")});
                continue;
            }
            add(photo, out);
        }
    }

    const CommandLine& line_;
    PhotoList list_;
    std::map<platform::FileIdentity, std::string> edited_;
    std::set<platform::FileIdentity> foldersSeen_;
};

}  // namespace

bool isToolFileName(const std::string& name) {
    // PHOTO.orig.N: a backup kept beside a PHOTO.orig that was not the photo's.
    const size_t orig = name.rfind(".orig.");
    const bool numbered = orig != std::string::npos && orig + 6 < name.size() &&
                          name.find_first_not_of("0123456789", orig + 6) == std::string::npos;
    return endsWith(name, ".orig") || numbered || endsWith(name, ".new~") ||
           (name.size() > 1 && name[0] == '.' && name.find(".lumivex-") != std::string::npos);
}

PhotoList collectPhotos(const CommandLine& line) { return Collector(line).run(); }

}  // namespace lumivex::cli
