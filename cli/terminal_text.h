// Text from a file name or an Exif field made safe for a terminal: nothing in it can move the cursor,
// set a title or colour, or start a line that looks like the tool's own.
#pragma once

#include <string>
#include <string_view>

namespace lumivex::cli {

// Valid UTF-8 printable text passes through. Control characters (C0, DEL, C1) come out as \n, \r, \t, \e
// or \xHH, the way `ls` shows them, and so does every byte that is not part of valid UTF-8.
std::string terminalText(std::string_view bytes);

// Printable ASCII only: every other character of valid UTF-8 as \uXXXX (\U00XXXXXX beyond the 16-bit plane),
// controls and bytes that are not valid UTF-8 as \xHH.
std::string asciiText(std::string_view bytes);

}  // namespace lumivex::cli
