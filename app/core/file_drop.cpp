#include "app/core/file_drop.h"

#include "app/core/controls.h"
#include "app/core/file_names.h"

namespace lumivex::app {

namespace {

bool isPane(int id) { return id == kSourcePaneId || id == kThumbnailPaneId; }
bool isFrame(int id) { return id == kSourceFrameId || id == kThumbnailFrameId; }

// A path cut to the buffer would name another file; a path that does not fit is refused whole.
bool isTakenPath(const WideText& path) {
    return path.size() < static_cast<std::size_t>(kPathCapacity) && hasJpgExtension(path);
}

void showInControl(WindowPlatform& platform, int id, const WideText& path) {
    // A frame shows no image, so only a pane is given one; the caption records the path either way.
    if (isPane(id)) platform.setPaneImage(id, path);
    platform.setControlText(id, path);
}

}  // namespace

void handleFileDrop(WindowPlatform& platform, const WideText& firstDroppedPath) {
    if (!isTakenPath(firstDroppedPath)) return;

    // Only the frames and their panes can lie under a drop; any other control is left alone.
    const int id = platform.controlUnderPointer();
    if (!isPane(id) && !isFrame(id)) return;

    showInControl(platform, id, firstDroppedPath);
}

void openFileInPane(WindowPlatform& platform, int paneId, const WideText& path) {
    if (isPane(paneId) && isTakenPath(path)) showInControl(platform, paneId, path);
}

}  // namespace lumivex::app
