// The tool's command line: the command, its operands and every option, checked before any photo is touched.
#pragma once

#include <string>
#include <vector>

namespace lumivex::cli {

struct CommandLine {
    std::string command;                // replace, delete, export, info, regenerate, check
    std::vector<std::string> operands;  // photos and folders (export: PHOTO OUT pairs)
    std::string thumbnail;              // replace: the new thumbnail, from -t or the second operand
    bool minimalExif = false;           // replace as the window does
    bool force = false;                 // export: an existing OUT may be replaced
    bool noBackup = false;              // edits: no PHOTO.orig
    bool dryRun = false;                // say what would happen, write nothing
    bool json = false;                  // one JSON object per photo per line on standard output
    bool recursive = false;             // folders are walked
    bool follow = false;                // symbolic links are followed in the walk
    bool inPlace = false;               // edits: rewrite a hard-linked photo's own file, after a full copy
    bool quiet = false;                 // no progress, summary or per-photo notes
    unsigned jobs = 0;                  // worker threads; 0: one per core
    int thumbWidth = 160;               // regenerate: the box the new thumbnail fits in
    int thumbHeight = 120;
    int quality = 85;                   // regenerate: the JPEG quality to start from
    std::string sheet;                  // check: the contact sheet of stale photos to write
    std::vector<std::string> previews;  // regenerate, delete: which copies (all, stale, or kinds)
    std::string preview;                // export: the copy to write, KIND or KIND:N
    std::string output;                 // -o: export's OUT, or where an edited copy goes, as a pattern (%d, %f, %e)
};

enum class ParseStatus { Run, Help, Version, ListOptions, UsageError };

struct ParseResult {
    ParseStatus status = ParseStatus::UsageError;
    CommandLine line;
    std::string problem;  // for a usage error: what is wrong, in one line
};

// Options may come before or after the command; "--" ends them, so that a photo may be named "-h".
ParseResult parseCommandLine(const std::vector<std::string>& args);

// A link named on the command line is followed, as the user chose it; in a walk only with --follow.
bool linksAllowed(const CommandLine& line, const std::string& path);

// True for the commands that write to the photo itself.
bool isEdit(const std::string& command);

extern const char kVersion[];

}  // namespace lumivex::cli
