// What the tool asks of the file system beyond the engine's file services: a file's identity, its kind
// without following a link, the first bytes of a file and the entries of a folder. The system calls are in
// file_system_posix.cpp and file_system_windows.cpp; paths are the tool's narrow text (UTF-8, the active code
// page on Windows).
#pragma once

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "lumivex/file_services.h"

namespace lumivex::cli {

enum class FileKind { Missing, Regular, Directory, Link, Other };

// The kind of what the path names, following a final link when `followLink` is set.
FileKind fileKind(const std::string& path, bool followLink);

// What the file the path names is (a final link followed): its identity, its names; none when it cannot be
// examined.
std::optional<platform::FileStatus> followedStatus(const std::string& path);

// The names in a folder (no "." and ".."), sorted by their bytes so that a walk is the same every time;
// none with `error` set when the folder cannot be read.
std::optional<std::vector<std::string>> folderEntries(const std::string& path, std::string& error);

// The path joined with a name, with one separator.
std::string joinPath(const std::string& folder, const std::string& name);

// Keeps standard output for the caller alone: returns a stream on it, and points the process's standard
// output at standard error, so that nothing else printed (by the engine, by a library) can break the
// caller's JSON lines. Standard output itself when that cannot be done.
std::FILE* takeStandardOutput();

// True when standard error is a terminal.
bool stderrIsTerminal();

}  // namespace lumivex::cli
