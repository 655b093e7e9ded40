#include "app/win32/preview_bitmap.h"

#include "app/core/controls.h"
#include "app/core/preview_size.h"
#include "app/win32/win32_headers.h"

namespace lumivex::win32 {

namespace {

// Each holder releases exactly what was made, once, on every way out of loadPreviewBitmap.
template <typename Interface>
class ComReference {
  public:
    ComReference() = default;
    ComReference(const ComReference&) = delete;
    ComReference& operator=(const ComReference&) = delete;
    ~ComReference() {
        if (pointer_ != nullptr) pointer_->Release();
    }
    Interface** out() { return &pointer_; }
    Interface* get() const { return pointer_; }

  private:
    Interface* pointer_ = nullptr;
};

class GdiObject {
  public:
    explicit GdiObject(HGDIOBJ object) : object_(object) {}
    GdiObject(const GdiObject&) = delete;
    GdiObject& operator=(const GdiObject&) = delete;
    ~GdiObject() {
        if (object_ != nullptr) DeleteObject(object_);
    }
    HGDIOBJ get() const { return object_; }
    HGDIOBJ release() {
        HGDIOBJ object = object_;
        object_ = nullptr;
        return object;
    }

  private:
    HGDIOBJ object_;
};

class ScreenDc {
  public:
    ScreenDc() : dc_(GetDC(nullptr)) {}
    ScreenDc(const ScreenDc&) = delete;
    ScreenDc& operator=(const ScreenDc&) = delete;
    ~ScreenDc() {
        if (dc_ != nullptr) ReleaseDC(nullptr, dc_);
    }
    HDC get() const { return dc_; }

  private:
    HDC dc_;
};

class MemoryDc {
  public:
    explicit MemoryDc(HDC compatible) : dc_(CreateCompatibleDC(compatible)) {}
    MemoryDc(const MemoryDc&) = delete;
    MemoryDc& operator=(const MemoryDc&) = delete;
    ~MemoryDc() {
        if (dc_ != nullptr) DeleteDC(dc_);
    }
    HDC get() const { return dc_; }

  private:
    HDC dc_;
};

// Selects an object into a context for one scope and puts the previous one back.
class Selection {
  public:
    Selection(HDC dc, HGDIOBJ object) : dc_(dc), previous_(SelectObject(dc, object)) {}
    Selection(const Selection&) = delete;
    Selection& operator=(const Selection&) = delete;
    ~Selection() {
        if (previous_ != nullptr && previous_ != HGDI_ERROR) SelectObject(dc_, previous_);
    }

  private:
    HDC dc_;
    HGDIOBJ previous_;
};

// The whole file in one movable memory block, or nullptr when it cannot be opened, is empty or cannot be read.
HGLOBAL readWholeFile(const wchar_t* path, DWORD& length) {
    HANDLE file = CreateFileW(path, GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return nullptr;
    HGLOBAL block = nullptr;
    const DWORD size = GetFileSize(file, nullptr);
    // The decoder takes the length as a signed 32-bit count.
    if (size != 0 && size <= 0x7FFFFFFF) {
        // Zeroed, so that a short read never hands the decoder bytes nobody wrote.
        block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size);
    }
    if (block != nullptr) {
        DWORD read = 0;
        void* bytes = GlobalLock(block);
        const BOOL ok = bytes != nullptr && ReadFile(file, bytes, size, &read, nullptr);
        GlobalUnlock(block);
        if (!ok || read == 0) {
            GlobalFree(block);
            block = nullptr;
        }
        length = read;
    }
    CloseHandle(file);
    return block;
}

// The full source bitmap stretched with halftone smoothing onto a new bitmap of the reduced size.
HBITMAP reduceBitmap(HBITMAP source, int width, int height, app::PreviewSize size) {
    ScreenDc screen;
    if (screen.get() == nullptr) return nullptr;
    MemoryDc sourceDc(screen.get());
    MemoryDc targetDc(screen.get());
    if (sourceDc.get() == nullptr || targetDc.get() == nullptr) return nullptr;
    GdiObject reduced(CreateCompatibleBitmap(screen.get(), size.width, size.height));
    if (reduced.get() == nullptr) return nullptr;

    BOOL stretched = FALSE;
    {
        Selection sourceSelection(sourceDc.get(), source);
        Selection targetSelection(targetDc.get(), reduced.get());
        SetStretchBltMode(targetDc.get(), HALFTONE);
        SetBrushOrgEx(targetDc.get(), 0, 0, nullptr);
        GdiObject palette(CreateHalftonePalette(targetDc.get()));
        HPALETTE previousPalette = nullptr;
        if (palette.get() != nullptr) {
            previousPalette = SelectPalette(targetDc.get(), static_cast<HPALETTE>(palette.get()), FALSE);
            RealizePalette(targetDc.get());
        }
        stretched =
            StretchBlt(targetDc.get(), 0, 0, size.width, size.height, sourceDc.get(), 0, 0, width, height, SRCCOPY);
        if (previousPalette != nullptr) SelectPalette(targetDc.get(), previousPalette, FALSE);
    }
    return stretched ? static_cast<HBITMAP>(reduced.release()) : nullptr;
}

HBITMAP previewFromPicture(IPicture* picture, int limit) {
    SHORT type = PICTYPE_UNINITIALIZED;
    if (FAILED(picture->get_Type(&type)) || type != PICTYPE_BITMAP) return nullptr;
    OLE_HANDLE handle = 0;
    if (FAILED(picture->get_Handle(&handle)) || handle == 0) return nullptr;

    // A copy of our own outlives the picture, which owns the decoded bitmap.
    GdiObject copy(CopyImage(reinterpret_cast<HBITMAP>(static_cast<UINT_PTR>(handle)), IMAGE_BITMAP, 0, 0, 0));
    if (copy.get() == nullptr) return nullptr;
    BITMAP info{};
    if (GetObjectW(copy.get(), sizeof(info), &info) == 0 || info.bmWidth <= 0 || info.bmHeight <= 0) return nullptr;
    if (info.bmHeight <= limit) return static_cast<HBITMAP>(copy.release());

    const app::PreviewSize size = app::previewSize(info.bmWidth, info.bmHeight, limit);
    return reduceBitmap(static_cast<HBITMAP>(copy.get()), info.bmWidth, info.bmHeight, size);
}

}  // namespace

HBITMAP loadPreviewBitmap(const wchar_t* path, int limit) {
    DWORD length = 0;
    HGLOBAL block = readWholeFile(path, length);
    if (block == nullptr) return nullptr;
    ComReference<IStream> stream;
    // The stream frees the block when it is released.
    if (FAILED(CreateStreamOnHGlobal(block, TRUE, stream.out())) || stream.get() == nullptr) {
        GlobalFree(block);
        return nullptr;
    }
    ComReference<IPicture> picture;
    if (FAILED(OleLoadPicture(stream.get(), static_cast<LONG>(length), FALSE, IID_IPicture,
                              reinterpret_cast<void**>(picture.out()))) ||
        picture.get() == nullptr) {
        return nullptr;
    }
    return previewFromPicture(picture.get(), limit);
}

bool setPaneImage(HWND pane, const wchar_t* path) {
    HBITMAP preview = loadPreviewBitmap(path, app::kPreviewLimit);
    if (preview == nullptr) return false;
    auto previous =
        reinterpret_cast<HGDIOBJ>(SendMessageW(pane, BM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(preview)));
    if (previous != nullptr && previous != preview) DeleteObject(previous);
    return true;
}

void releasePaneImage(HWND pane) {
    auto image = reinterpret_cast<HGDIOBJ>(SendMessageW(pane, BM_GETIMAGE, IMAGE_BITMAP, 0));
    if (image == nullptr) return;
    SendMessageW(pane, BM_SETIMAGE, IMAGE_BITMAP, 0);
    DeleteObject(image);
}

}  // namespace lumivex::win32
