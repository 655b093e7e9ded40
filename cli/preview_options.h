// The command-line options that choose copies of the picture: --previews and --preview.
#pragma once

#include <string>

#include "cli/command_line.h"

namespace lumivex::cli {

// Checks and stores the option's value; false with problem set for a value the tool does not take.
bool setPreviewOption(const std::string& name, const std::string& value, CommandLine& line, std::string& problem);

}  // namespace lumivex::cli
