// The JPEG steps on libjpeg-turbo: DCT-domain scaling on decode, so that a large photo is never decoded at
// full size. libjpeg reports errors by calling error_exit; ours jumps back to the call that set the trap, so
// the work done under a trap keeps no C++ object alive across the jump.
#include <climits>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
// jpeglib.h needs FILE and size_t declared before it.
#include <jpeglib.h>
// jerror.h after jpeglib.h: the message codes of the warnings that may be ignored.
#include <jerror.h>

#include "imaging/image.h"
#include "imaging/jpeg_cost.h"
#include "imaging/regular_file.h"

namespace lumivex::imaging {

namespace {

// Nothing decodes to more than this many pixels: a hostile header may claim 65535 x 65535.
constexpr uint64_t kMaxOutputPixels = 16ull << 20;

struct ErrorTrap {
    jpeg_error_mgr manager;  // first, so that a j_common_ptr's err converts to the trap
    jpeg_progress_mgr progress;
    int maxScans;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

[[noreturn]] void jumpOnError(j_common_ptr cinfo) {
    auto* trap = reinterpret_cast<ErrorTrap*>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, trap->message);
    std::longjmp(trap->jump, 1);
}

// libjpeg only warns about corrupt or truncated data and goes on with grey blocks; a thumbnail made from
// such a picture would be wrong, so a warning ends the work like an error.
// The warnings about a header's revision or an unusual colour transform say nothing about the pixels.
void jumpOnWarning(j_common_ptr cinfo, int level) {
    if (level >= 0) return;
    const int code = cinfo->err->msg_code;
    if (code == JWRN_JFIF_MAJOR || code == JWRN_ADOBE_XFORM) return;
    jumpOnError(cinfo);
}

void stopAfterTooManyScans(j_common_ptr cinfo) {
    if (!cinfo->is_decompressor) return;
    auto* trap = reinterpret_cast<ErrorTrap*>(cinfo->err);
    const auto* decompress = reinterpret_cast<j_decompress_ptr>(cinfo);
    if (decompress->input_scan_number <= trap->maxScans) return;
    std::snprintf(trap->message, sizeof trap->message, "more than %d scans for a %ux%u image", trap->maxScans,
                  decompress->image_width, decompress->image_height);
    std::longjmp(trap->jump, 1);
}

// The coefficient buffer libjpeg sizes in jpeg_start_decompress when it must hold the whole image: every
// component's blocks, padded to whole MCUs.
uint64_t wholeImageBufferBytes(const jpeg_decompress_struct* cinfo) {
    if (!cinfo->progressive_mode && !cinfo->buffered_image) return 0;
    uint64_t bytes = 0;
    for (int c = 0; c < cinfo->num_components; ++c) {
        const jpeg_component_info& comp = cinfo->comp_info[c];
        const uint64_t h = comp.h_samp_factor > 0 ? comp.h_samp_factor : 1;
        const uint64_t v = comp.v_samp_factor > 0 ? comp.v_samp_factor : 1;
        const uint64_t wide = (uint64_t{comp.width_in_blocks} + h - 1) / h * h;
        const uint64_t high = (uint64_t{comp.height_in_blocks} + v - 1) / v * v;
        bytes += wide * high * sizeof(JBLOCK);
    }
    return bytes;
}

std::string sizeText(const jpeg_decompress_struct* cinfo) {
    return std::to_string(cinfo->image_width) + "x" + std::to_string(cinfo->image_height);
}

void installTrap(ErrorTrap& trap, jpeg_error_mgr*& err) {
    err = jpeg_std_error(&trap.manager);
    trap.manager.error_exit = jumpOnError;
    trap.manager.emit_message = jumpOnWarning;
    trap.message[0] = '\0';
}

// Largest denominator of 1/8, 1/4, 1/2, 1 whose output still covers minWidth x minHeight.
constexpr int kNoSideLimit = INT_MAX;

unsigned scaleDenominator(unsigned width, unsigned height, int minWidth, int minHeight) {
    for (unsigned denom : {8u, 4u, 2u}) {
        const unsigned w = (width + denom - 1) / denom;
        const unsigned h = (height + denom - 1) / denom;
        if (static_cast<int64_t>(w) >= minWidth && static_cast<int64_t>(h) >= minHeight) return denom;
    }
    return 1;
}

// Inverted CMYK (as written with an Adobe marker) and plain CMYK to RGB.
void cmykRowToRgb(const uint8_t* cmyk, uint8_t* rgb, unsigned width, bool inverted) {
    for (unsigned x = 0; x < width; ++x) {
        const uint8_t* p = cmyk + size_t{4} * x;
        const unsigned k = inverted ? p[3] : 255u - p[3];
        for (int c = 0; c < 3; ++c) {
            const unsigned v = inverted ? p[c] : 255u - p[c];
            rgb[3 * x + c] = static_cast<uint8_t>((v * k + 127) / 255);
        }
    }
}

// The decode under the trap: no local with a destructor, every result written through out.
bool decodeUnderTrap(jpeg_decompress_struct* cinfo, ErrorTrap* trap, int minWidth, int minHeight, int maxSide,
                     DecodedImage* out, std::vector<uint8_t>* cmykRow) {
    if (setjmp(trap->jump) != 0) {
        out->error = std::string("bad JPEG data: ") + trap->message;
        return false;
    }
    jpeg_read_header(cinfo, TRUE);
    out->sourceWidth = static_cast<int>(cinfo->image_width);
    out->sourceHeight = static_cast<int>(cinfo->image_height);
    if (cinfo->image_width > static_cast<unsigned>(maxSide) || cinfo->image_height > static_cast<unsigned>(maxSide)) {
        out->error = "the image is " + sizeText(cinfo) + "; more than " + std::to_string(maxSide) + " pixels a side";
        return false;
    }
    const uint64_t buffer = wholeImageBufferBytes(cinfo);
    if (buffer > kMaxDecoderMemory) {
        out->error = "the image is too large to decode (" + sizeText(cinfo) +
                     ", progressive: " + std::to_string(buffer >> 20) + " MiB of coefficients)";
        return false;
    }
    trap->maxScans = maxScansFor(buffer);
    const bool cmyk = cinfo->jpeg_color_space == JCS_CMYK || cinfo->jpeg_color_space == JCS_YCCK;
    if (cmyk) {
        cinfo->out_color_space = JCS_CMYK;
    } else if (cinfo->jpeg_color_space == JCS_GRAYSCALE) {
        cinfo->out_color_space = JCS_GRAYSCALE;
    } else {
        cinfo->out_color_space = JCS_RGB;
    }
    cinfo->scale_num = 1;
    cinfo->scale_denom = scaleDenominator(cinfo->image_width, cinfo->image_height, minWidth, minHeight);
    jpeg_calc_output_dimensions(cinfo);
    if (uint64_t{cinfo->output_width} * cinfo->output_height > kMaxOutputPixels) {
        out->error = "the image is too large (" + sizeText(cinfo) + ")";
        return false;
    }
    jpeg_start_decompress(cinfo);
    Image& image = out->image;
    image.width = static_cast<int>(cinfo->output_width);
    image.height = static_cast<int>(cinfo->output_height);
    image.channels = cmyk ? 3 : static_cast<int>(cinfo->output_components);
    image.pixels.resize(static_cast<size_t>(image.width) * image.height * image.channels);
    if (cmyk) cmykRow->resize(static_cast<size_t>(cinfo->output_width) * 4);
    const size_t stride = static_cast<size_t>(image.width) * image.channels;
    while (cinfo->output_scanline < cinfo->output_height) {
        uint8_t* target = image.pixels.data() + cinfo->output_scanline * stride;
        JSAMPROW row = cmyk ? cmykRow->data() : target;
        if (jpeg_read_scanlines(cinfo, &row, 1) != 1) {
            out->error = "bad JPEG data: the image data ends early";
            return false;
        }
        if (cmyk) cmykRowToRgb(cmykRow->data(), target, cinfo->output_width, cinfo->saw_Adobe_marker != 0);
    }
    jpeg_finish_decompress(cinfo);
    return true;
}

DecodedImage decodeFrom(int minWidth, int minHeight, int maxSide, const std::span<const uint8_t>* bytes,
                        std::FILE* file) {
    DecodedImage out;
    std::vector<uint8_t> cmykRow;
    jpeg_decompress_struct cinfo;
    ErrorTrap trap;
    installTrap(trap, cinfo.err);
    jpeg_create_decompress(&cinfo);
    cinfo.mem->max_memory_to_use = static_cast<long>(kMaxDecoderMemory);
    trap.progress = {};
    trap.maxScans = kMaxScans;
    trap.progress.progress_monitor = stopAfterTooManyScans;
    cinfo.progress = &trap.progress;
    if (bytes != nullptr) {
        jpeg_mem_src(&cinfo, bytes->data(), static_cast<unsigned long>(bytes->size()));
    } else {
        jpeg_stdio_src(&cinfo, file);
    }
    if (!decodeUnderTrap(&cinfo, &trap, minWidth, minHeight, maxSide, &out, &cmykRow)) out.image = Image{};
    jpeg_destroy_decompress(&cinfo);
    return out;
}

struct EncodeState {
    unsigned char* buffer = nullptr;  // libjpeg's growing output buffer (malloc)
    unsigned long size = 0;
};

bool encodeUnderTrap(jpeg_compress_struct* cinfo, ErrorTrap* trap, const Image* image, int quality, EncodeState* state,
                     EncodedJpeg* out) {
    if (setjmp(trap->jump) != 0) {
        out->error = std::string("cannot encode the thumbnail: ") + trap->message;
        return false;
    }
    jpeg_mem_dest(cinfo, &state->buffer, &state->size);
    cinfo->image_width = static_cast<JDIMENSION>(image->width);
    cinfo->image_height = static_cast<JDIMENSION>(image->height);
    cinfo->input_components = image->channels;
    cinfo->in_color_space = image->channels == 1 ? JCS_GRAYSCALE : JCS_RGB;
    jpeg_set_defaults(cinfo);  // YCbCr 4:2:0 for colour, sequential: a baseline SOF0
    jpeg_set_quality(cinfo, quality, TRUE);
    cinfo->write_JFIF_header = FALSE;  // a thumbnail carries no APPn segment
    cinfo->write_Adobe_marker = FALSE;
    cinfo->optimize_coding = TRUE;  // own Huffman tables: smaller, and still baseline
    jpeg_start_compress(cinfo, TRUE);
    const size_t stride = static_cast<size_t>(image->width) * image->channels;
    while (cinfo->next_scanline < cinfo->image_height) {
        JSAMPROW row = const_cast<uint8_t*>(image->pixels.data() + cinfo->next_scanline * stride);
        jpeg_write_scanlines(cinfo, &row, 1);
    }
    jpeg_finish_compress(cinfo);
    return true;
}

DecodedImage failure(std::string message) {
    DecodedImage out;
    out.error = std::move(message);
    return out;
}

}  // namespace

DecodedImage decodeJpegScaled(std::span<const uint8_t> bytes, int minWidth, int minHeight) {
    if (bytes.empty()) return failure("bad JPEG data: no bytes");
    return decodeFrom(minWidth, minHeight, kNoSideLimit, &bytes, nullptr);
}

DecodedImage decodeThumbnail(std::span<const uint8_t> bytes) {
    if (bytes.empty()) return failure("bad JPEG data: no bytes");
    return decodeFrom(INT_MAX, INT_MAX, kMaxThumbnailSide, &bytes, nullptr);
}

DecodedImage decodeJpegFileScaled(const std::string& path, int minWidth, int minHeight) {
    std::string error;
    std::FILE* file = openRegularFile(path, error);
    if (file == nullptr) return failure(error);
    DecodedImage out = decodeFrom(minWidth, minHeight, kNoSideLimit, nullptr, file);
    std::fclose(file);
    return out;
}

DecodedImage decodeJpegStreamScaled(std::FILE* stream, int minWidth, int minHeight) {
    if (stream == nullptr) return failure("no stream to decode");
    return decodeFrom(minWidth, minHeight, kNoSideLimit, nullptr, stream);
}

EncodedJpeg encodeBaselineJpeg(const Image& image, int quality) {
    EncodedJpeg out;
    out.error = encodingProblem(image, quality);
    if (!out.error.empty()) return out;
    jpeg_compress_struct cinfo;
    ErrorTrap trap;
    EncodeState state;
    installTrap(trap, cinfo.err);
    jpeg_create_compress(&cinfo);
    if (encodeUnderTrap(&cinfo, &trap, &image, quality, &state, &out)) {
        out.bytes.assign(state.buffer, state.buffer + state.size);
    }
    jpeg_destroy_compress(&cinfo);
    std::free(state.buffer);
    return out;
}

}  // namespace lumivex::imaging
