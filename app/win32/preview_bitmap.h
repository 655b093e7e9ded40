// Preview bitmaps of the two panes: a JPEG file decoded and reduced to fit the preview limit.
#pragma once

#include <windows.h>

namespace lumivex::win32 {

// A new screen-compatible bitmap owned by the caller, or nullptr when the file cannot be read or decoded.
// A picture no higher than `limit` keeps its own size; a higher one is reduced with a halftone stretch.
HBITMAP loadPreviewBitmap(const wchar_t* path, int limit);

// Shows the file's preview in a pane (a BS_BITMAP button), which takes the bitmap and whose previous one is
// released. False, with the pane unchanged, when no preview could be made. The caption is not touched.
bool setPaneImage(HWND pane, const wchar_t* path);

// Releases the image a pane holds, when the pane goes away.
void releasePaneImage(HWND pane);

}  // namespace lumivex::win32
