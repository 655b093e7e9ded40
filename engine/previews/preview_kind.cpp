#include "lumivex/preview.h"

namespace lumivex {

const char* previewKindName(PreviewKind kind) {
    switch (kind) {
        case PreviewKind::Exif:
            return "exif";
        case PreviewKind::Mpf:
            return "mpf";
        case PreviewKind::MakerNote:
            return "makernote";
        case PreviewKind::Photoshop:
            return "photoshop";
        case PreviewKind::Xmp:
            return "xmp";
        case PreviewKind::Jfxx:
            return "jfxx";
        case PreviewKind::FlashPix:
            return "flashpix";
        case PreviewKind::Trailer:
            break;
    }
    return "trailer";
}

}  // namespace lumivex
