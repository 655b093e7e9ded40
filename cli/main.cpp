// lumivex: the thumbnail edits from the command line, one process for one or many photos.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "cli/check_command.h"
#include "cli/info_report.h"
#include "cli/regenerate_command.h"
#include "engine/thumbnail/file_operation.h"

namespace {

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

constexpr char kUsage[] =
    "Usage: lumivex COMMAND [ARGS]\n"
    "Edit the thumbnail embedded in the Exif data of JPEG photos.\n"
    "\n"
    "Commands:\n"
    "  replace PHOTO THUMB      put the JPEG file THUMB in place of PHOTO's thumbnail\n"
    "  replace -t THUMB PHOTO...\n"
    "                           the same for each PHOTO\n"
    "  delete PHOTO...          remove the thumbnail of each PHOTO\n"
    "  export PHOTO OUT...      write PHOTO's thumbnail to OUT ('-' for standard output);\n"
    "                           more PHOTO OUT pairs may follow\n"
    "  info [--json] PHOTO...   show what each PHOTO's Exif data says; changes nothing\n"
    "  regenerate [--size WxH] [--quality Q] PHOTO...\n"
    "                           make each PHOTO's thumbnail anew from its own pixels, every\n"
    "                           other Exif field kept (box 160x120, quality 85 or less to fit)\n"
    "  check [--json] [--sheet FILE.jpg] PHOTO...\n"
    "                           say whether each PHOTO's thumbnail still shows it: fresh,\n"
    "                           stale (with the reason and a score) or none; changes nothing;\n"
    "                           --sheet writes the stale ones side by side with new ones\n"
    "\n"
    "Every edit keeps the previous file as PHOTO.orig (an older one is replaced) and\n"
    "gives the new file the old one's permissions and modification time. A photo whose\n"
    "thumbnail cannot be replaced where it is gets a minimal Exif block with its date.\n"
    "\n"
    "Options:\n"
    "  -t, --thumbnail THUMB    (replace) the new thumbnail for every PHOTO\n"
    "  -h, --help               show this help and exit\n"
    "  -V, --version            show the version and exit\n"
    "\n"
    "Exit status: 0 when every photo succeeded, 1 when any did not (check: or is stale),\n"
    "2 for a usage error.\n";

constexpr char kVersion[] = "lumivex 1.00\n";

int usageError(const char* problem) {
    std::fprintf(stderr, "lumivex: %s\nTry 'lumivex --help' for more information.\n", problem);
    return kExitUsage;
}

int runEach(const std::vector<const char*>& photos, const char* secondPath, int replaceFlag) {
    int status = kExitOk;
    for (const char* photo : photos) {
        if (lumivex::runFileOperation(photo, secondPath, replaceFlag) != 1) status = kExitFailed;
    }
    return status;
}

int runInfo(const std::vector<const char*>& photos, bool json) {
    int status = kExitOk;
    const bool array = json && photos.size() > 1;
    if (array) std::fputs("[\n", stdout);
    for (size_t i = 0; i < photos.size(); ++i) {
        const bool ok = lumivex::readSourceFile(photos[i], false) != 0;
        if (!ok) status = kExitFailed;
        if (json) {
            std::string object = ok ? lumivex::cli::photoInfoJson() : "null";
            if (array && i + 1 < photos.size()) object += ",";
            std::puts(object.c_str());
        } else if (ok) {
            if (i > 0) std::fputc('\n', stdout);
            std::fputs(lumivex::cli::photoInfoText().c_str(), stdout);
        }
        std::fflush(stdout);
    }
    if (array) std::fputs("]\n", stdout);
    return status;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<const char*> args(argv + 1, argv + argc);
    if (args.empty()) return usageError("no command given");
    const std::string command = args[0];
    if (command == "-h" || command == "--help") {
        std::fputs(kUsage, stdout);
        return kExitOk;
    }
    if (command == "-V" || command == "--version") {
        std::fputs(kVersion, stdout);
        return kExitOk;
    }
    args.erase(args.begin());
    if (command == "regenerate") return lumivex::cli::regenerateMain({args.begin(), args.end()});
    if (command == "check") return lumivex::cli::checkMain({args.begin(), args.end()});
    // "--" ends the options, so that a photo may be named "-h".
    bool json = false;
    const char* thumbnail = nullptr;
    std::vector<const char*> operands;
    bool optionsDone = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const char* arg = args[i];
        if (!optionsDone && std::strcmp(arg, "--") == 0) {
            optionsDone = true;
        } else if (!optionsDone && command == "info" && std::strcmp(arg, "--json") == 0) {
            json = true;
        } else if (!optionsDone && command == "replace" &&
                   (std::strcmp(arg, "-t") == 0 || std::strcmp(arg, "--thumbnail") == 0)) {
            if (i + 1 == args.size()) return usageError("-t takes the new thumbnail");
            thumbnail = args[++i];
        } else if (!optionsDone && (std::strcmp(arg, "-h") == 0 || std::strcmp(arg, "--help") == 0)) {
            std::fputs(kUsage, stdout);
            return kExitOk;
        } else if (!optionsDone && arg[0] == '-' && arg[1] != '\0') {
            return usageError((std::string("unknown option '") + arg + "'").c_str());
        } else {
            operands.push_back(arg);
        }
    }

    if (command == "replace") {
        if (thumbnail != nullptr) {
            if (operands.empty()) return usageError("replace -t THUMB takes at least one PHOTO");
            return runEach(operands, thumbnail, 1);
        }
        if (operands.size() != 2) return usageError("replace takes PHOTO and THUMB");
        return runEach({operands[0]}, operands[1], 1);
    }
    if (command == "delete") {
        if (operands.empty()) return usageError("delete takes at least one PHOTO");
        return runEach(operands, nullptr, 1);
    }
    if (command == "export") {
        if (operands.empty() || operands.size() % 2 != 0) return usageError("export takes PHOTO and OUT pairs");
        int status = kExitOk;
        for (size_t i = 0; i < operands.size(); i += 2) {
            if (runEach({operands[i]}, operands[i + 1], 0) != kExitOk) status = kExitFailed;
        }
        return status;
    }
    if (command == "info") {
        if (operands.empty()) return usageError("info takes at least one PHOTO");
        return runInfo(operands, json);
    }
    return usageError((std::string("unknown command '") + command + "'").c_str());
}
