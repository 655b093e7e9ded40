// The per-photo work of the commands built on the engine: the edits (replace, delete, export) and info.
// The commands of the imaging library (regenerate, check) bring their own jobs.
#pragma once

#include "cli/command_line.h"
#include "cli/photo_result.h"
#include "lumivex/photo_edit.h"

namespace lumivex::cli {

// The result line of one edit of the engine, whoever asked for it.
PhotoResult editResult(const std::string& photo, const std::string& operation, const EditResult& edit, bool dryRun);

// replace, delete and export through the engine's edit, with the options of the command line.
PhotoJob editJob(const CommandLine& line);

// The facts of each photo; with --json one object on one line, or an error object.
PhotoJob infoJob(const CommandLine& line);

}  // namespace lumivex::cli
