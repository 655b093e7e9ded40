#include "app/core/file_drop.h"

#include "app/core/control_under_cursor.h"
#include "app/core/controls.h"
#include "app/core/file_names.h"

namespace lumivex::app {

namespace {

bool isPane(int id) { return id == kSourcePaneId || id == kThumbnailPaneId; }
bool isFrame(int id) { return id == kSourceFrameId || id == kThumbnailFrameId; }

}  // namespace

void handleFileDrop(WindowPlatform& platform, const WideText& firstDroppedPath) {
    // A path cut to the buffer would name another file; a path that does not fit is refused whole.
    if (firstDroppedPath.size() >= static_cast<std::size_t>(kPathCapacity)) return;
    if (!hasJpgExtension(firstDroppedPath)) return;

    const WindowHandle target = controlUnderCursor(platform);
    if (target == kNoWindow) return;
    // Only the frames and their panes can lie under a drop; any other window is left alone.
    const int id = platform.controlId(target);
    if (!isPane(id) && !isFrame(id)) return;

    // A frame shows no image, so only a pane is given one; the caption records the path either way.
    if (isPane(id)) platform.setPaneImage(id, firstDroppedPath);
    platform.setControlText(id, firstDroppedPath);
}

}  // namespace lumivex::app
