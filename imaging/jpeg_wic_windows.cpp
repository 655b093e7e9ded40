// The JPEG steps on the Windows Imaging Component (a system DLL): the decoder's source transform scales in the
// DCT domain where the codec offers it, else the Fant scaler reduces the decoded frame; the encoder's JFIF
// header is cut off the result, because a thumbnail carries no APPn segment.
#include <windows.h>
// wincodec.h after windows.h: it needs the COM types.
#include <wincodec.h>

#include <climits>
#include <cstdio>
#include <cstring>

#include "imaging/image.h"
#include "imaging/jpeg_cost.h"

// The decoder's scaling interface, which mingw-w64's wincodec.h does not declare; layout and identifier as the
// system defines them.
struct IWICBitmapSourceTransformDecl : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE CopyPixels(const WICRect* rect, UINT width, UINT height,
                                                 WICPixelFormatGUID* format, WICBitmapTransformOptions transform,
                                                 UINT stride, UINT bufferSize, BYTE* buffer) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetClosestSize(UINT* width, UINT* height) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetClosestPixelFormat(WICPixelFormatGUID* format) = 0;
    virtual HRESULT STDMETHODCALLTYPE DoesSupportTransform(WICBitmapTransformOptions transform, BOOL* supported) = 0;
};
constexpr IID kIidSourceTransform = {0x3B16811B, 0x6A43, 0x4ec9, {0xB7, 0x13, 0x3D, 0x5A, 0x0C, 0x13, 0xB9, 0x40}};
constexpr HRESULT kUnsupportedPixelFormat = static_cast<HRESULT>(0x88982F80);

namespace lumivex::imaging {

namespace {

// Owns one COM interface pointer.
template <class T>
class Com {
  public:
    Com() = default;
    ~Com() {
        if (p_ != nullptr) p_->Release();
    }
    Com(const Com&) = delete;
    Com& operator=(const Com&) = delete;
    T** out() { return &p_; }
    T* operator->() const { return p_; }
    T* get() const { return p_; }

  private:
    T* p_ = nullptr;
};

// COM on this thread for one call; a thread that already runs COM in another mode is fine as it is.
class ComScope {
  public:
    ComScope() : started_(SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED))) {}
    ~ComScope() {
        if (started_) CoUninitialize();
    }
    ComScope(const ComScope&) = delete;
    ComScope& operator=(const ComScope&) = delete;

  private:
    bool started_;
};

std::string failure(const char* step, HRESULT hr) {
    char text[96];
    std::snprintf(text, sizeof text, "bad JPEG data: %s failed (0x%08lX)", step, static_cast<unsigned long>(hr));
    return text;
}

// Largest denominator of 1/8, 1/4, 1/2, 1 whose output still covers minWidth x minHeight.
UINT scaleDenominator(UINT width, UINT height, int minWidth, int minHeight) {
    for (UINT denom : {8u, 4u, 2u}) {
        if (static_cast<int64_t>((width + denom - 1) / denom) >= minWidth &&
            static_cast<int64_t>((height + denom - 1) / denom) >= minHeight) {
            return denom;
        }
    }
    return 1;
}

constexpr uint64_t kMaxOutputPixels = 16ull << 20;

// Pixels of the given WIC format to grey or RGB.
bool toImage(const std::vector<uint8_t>& raw, UINT width, UINT height, const WICPixelFormatGUID& format, Image* out) {
    out->width = static_cast<int>(width);
    out->height = static_cast<int>(height);
    const size_t count = size_t{width} * height;
    if (IsEqualGUID(format, GUID_WICPixelFormat8bppGray)) {
        out->channels = 1;
        out->pixels.assign(raw.begin(), raw.begin() + static_cast<ptrdiff_t>(count));
        return true;
    }
    out->channels = 3;
    out->pixels.resize(count * 3);
    for (size_t i = 0; i < count; ++i) {
        uint8_t* d = out->pixels.data() + 3 * i;
        if (IsEqualGUID(format, GUID_WICPixelFormat24bppBGR)) {
            const uint8_t* s = raw.data() + 3 * i;
            d[0] = s[2], d[1] = s[1], d[2] = s[0];
        } else if (IsEqualGUID(format, GUID_WICPixelFormat24bppRGB)) {
            std::memcpy(d, raw.data() + 3 * i, 3);
        } else if (IsEqualGUID(format, GUID_WICPixelFormat32bppCMYK)) {
            const uint8_t* s = raw.data() + 4 * i;
            for (int c = 0; c < 3; ++c) d[c] = static_cast<uint8_t>(((255u - s[c]) * (255u - s[3]) + 127) / 255);
        } else {
            return false;
        }
    }
    return true;
}

UINT bytesPerPixel(const WICPixelFormatGUID& format) {
    if (IsEqualGUID(format, GUID_WICPixelFormat8bppGray)) return 1;
    if (IsEqualGUID(format, GUID_WICPixelFormat32bppCMYK)) return 4;
    return 3;
}

DecodedImage decodeFrame(IWICImagingFactory* factory, IWICBitmapDecoder* decoder, int minWidth, int minHeight,
                         int maxSide) {
    DecodedImage out;
    GUID container{};
    HRESULT hr = decoder->GetContainerFormat(&container);
    if (FAILED(hr) || !IsEqualGUID(container, GUID_ContainerFormatJpeg)) {
        out.error = "bad JPEG data: not a JPEG image";
        return out;
    }
    Com<IWICBitmapFrameDecode> frame;
    if (FAILED(hr = decoder->GetFrame(0, frame.out()))) return DecodedImage{{}, 0, 0, failure("reading the frame", hr)};
    UINT width = 0, height = 0;
    if (FAILED(hr = frame->GetSize(&width, &height))) return DecodedImage{{}, 0, 0, failure("reading the size", hr)};
    out.sourceWidth = static_cast<int>(width);
    out.sourceHeight = static_cast<int>(height);
    if (width > static_cast<UINT>(maxSide) || height > static_cast<UINT>(maxSide)) {
        out.error = "the image is " + std::to_string(width) + "x" + std::to_string(height) + "; more than " +
                    std::to_string(maxSide) + " pixels a side";
        return out;
    }
    WICPixelFormatGUID format{};
    if (FAILED(hr = frame->GetPixelFormat(&format))) return DecodedImage{{}, 0, 0, failure("the pixel format", hr)};
    if (!IsEqualGUID(format, GUID_WICPixelFormat8bppGray) && !IsEqualGUID(format, GUID_WICPixelFormat24bppBGR) &&
        !IsEqualGUID(format, GUID_WICPixelFormat24bppRGB) && !IsEqualGUID(format, GUID_WICPixelFormat32bppCMYK)) {
        out.error = "bad JPEG data: an unsupported colour layout";
        return out;
    }
    const UINT denom = scaleDenominator(width, height, minWidth, minHeight);
    UINT w = (width + denom - 1) / denom, h = (height + denom - 1) / denom;
    if (uint64_t{w} * h > kMaxOutputPixels) {
        out.error = "the image is too large (" + std::to_string(width) + "x" + std::to_string(height) + ")";
        return out;
    }
    std::vector<uint8_t> raw;
    Com<IWICBitmapSourceTransformDecl> transform;
    bool scaled = false;
    if (denom > 1 && SUCCEEDED(frame->QueryInterface(kIidSourceTransform, reinterpret_cast<void**>(transform.out())))) {
        UINT cw = w, ch = h;
        WICPixelFormatGUID asked = format;
        if (SUCCEEDED(transform->GetClosestSize(&cw, &ch)) && cw >= w && ch >= h &&
            SUCCEEDED(transform->GetClosestPixelFormat(&asked)) && IsEqualGUID(asked, format)) {
            const UINT stride = cw * bytesPerPixel(format);
            raw.assign(size_t{stride} * ch, 0);
            hr = transform->CopyPixels(nullptr, cw, ch, &asked, WICBitmapTransformRotate0, stride,
                                       static_cast<UINT>(raw.size()), raw.data());
            if (FAILED(hr)) return DecodedImage{{}, 0, 0, failure("decoding at a reduced scale", hr)};
            w = cw, h = ch, scaled = true;
        }
    }
    if (!scaled) {
        // No scaling in the codec: the Fant scaler averages the decoded frame down.
        Com<IWICBitmapScaler> scaler;
        IWICBitmapSource* source = frame.get();
        if (denom > 1) {
            if (FAILED(hr = factory->CreateBitmapScaler(scaler.out())) ||
                FAILED(hr = scaler->Initialize(frame.get(), w, h, WICBitmapInterpolationModeFant))) {
                return DecodedImage{{}, 0, 0, failure("scaling", hr)};
            }
            source = scaler.get();
        }
        const UINT stride = w * bytesPerPixel(format);
        raw.assign(size_t{stride} * h, 0);
        if (FAILED(hr = source->CopyPixels(nullptr, stride, static_cast<UINT>(raw.size()), raw.data()))) {
            return DecodedImage{{}, 0, 0, failure("decoding", hr)};
        }
    }
    if (!toImage(raw, w, h, format, &out.image)) out.error = "bad JPEG data: an unsupported colour layout";
    return out;
}

// The component decodes a progressive image whole and cannot be stopped midway: what it would cost is read
// from the markers first, and a stream beyond the budget is refused before it is decoded.
std::string costProblem(const JpegCost& cost) {
    if (cost.progressive() && cost.coefficientBytes() > kMaxDecoderMemory) {
        return "the image is too large to decode (" + std::to_string(cost.width()) + "x" +
               std::to_string(cost.height()) + ", progressive: " + std::to_string(cost.coefficientBytes() >> 20) +
               " MiB of coefficients)";
    }
    const int maxScans = maxScansFor(cost.progressive() ? cost.coefficientBytes() : 0);
    if (cost.scans() > maxScans) {
        return "bad JPEG data: more than " + std::to_string(maxScans) + " scans for a " + std::to_string(cost.width()) +
               "x" + std::to_string(cost.height()) + " image";
    }
    return "";
}

// The file's markers, read in pieces; a sequential image is known to be cheap once its frame header is seen.
std::string fileCostProblem(const std::wstring& path) {
    std::FILE* file = _wfopen(path.c_str(), L"rb");
    if (file == nullptr) return "";  // the decoder says why it cannot open it
    JpegCost cost;
    std::vector<uint8_t> piece(64 * 1024);
    size_t got = 0;
    while ((got = std::fread(piece.data(), 1, piece.size(), file)) > 0) {
        cost.feed(piece.data(), got);
        if ((cost.frameSeen() && !cost.progressive()) || !costProblem(cost).empty()) break;
    }
    std::fclose(file);
    return costProblem(cost);
}

DecodedImage decodeWith(const std::span<const uint8_t>* bytes, const std::string* path, int minWidth, int minHeight,
                        int maxSide) {
    ComScope com;
    Com<IWICImagingFactory> factory;
    HRESULT hr = CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                                  reinterpret_cast<void**>(factory.out()));
    if (FAILED(hr)) return DecodedImage{{}, 0, 0, failure("starting the imaging component", hr)};
    Com<IWICBitmapDecoder> decoder;
    Com<IWICStream> stream;
    if (bytes != nullptr) {
        JpegCost cost;
        cost.feed(bytes->data(), bytes->size());
        const std::string problem = costProblem(cost);
        if (!problem.empty()) return DecodedImage{{}, 0, 0, problem};
        if (FAILED(hr = factory->CreateStream(stream.out())) ||
            FAILED(hr = stream->InitializeFromMemory(const_cast<BYTE*>(bytes->data()),
                                                     static_cast<DWORD>(bytes->size()))) ||
            FAILED(hr = factory->CreateDecoderFromStream(stream.get(), nullptr, WICDecodeMetadataCacheOnDemand,
                                                         decoder.out()))) {
            return DecodedImage{{}, 0, 0, failure("reading the image", hr)};
        }
    } else {
        // Paths are in the system's 8-bit code page, as everywhere in the tool.
        const int n = MultiByteToWideChar(CP_ACP, 0, path->c_str(), -1, nullptr, 0);
        std::wstring wide(n > 0 ? static_cast<size_t>(n) : 1, L'\0');
        if (n > 0) MultiByteToWideChar(CP_ACP, 0, path->c_str(), -1, wide.data(), n);
        // Only a file on a disk is read: a console, a pipe or another device would hold the decoder waiting.
        const HANDLE handle =
            CreateFileW(wide.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (handle == INVALID_HANDLE_VALUE) return DecodedImage{{}, 0, 0, "cannot open '" + *path + "'"};
        const bool onDisk = GetFileType(handle) == FILE_TYPE_DISK;
        CloseHandle(handle);
        if (!onDisk) return DecodedImage{{}, 0, 0, "'" + *path + "' is not a regular file"};
        const std::string problem = fileCostProblem(wide);
        if (!problem.empty()) return DecodedImage{{}, 0, 0, problem};
        hr = factory->CreateDecoderFromFilename(wide.c_str(), nullptr, GENERIC_READ, WICDecodeMetadataCacheOnDemand,
                                                decoder.out());
        if (FAILED(hr)) {
            DecodedImage out;
            out.error = GetFileAttributesW(wide.c_str()) == INVALID_FILE_ATTRIBUTES ? "cannot open '" + *path + "'"
                                                                                    : failure("reading the image", hr);
            return out;
        }
    }
    DecodedImage out = decodeFrame(factory.get(), decoder.get(), minWidth, minHeight, maxSide);
    if (!out.ok()) out.image = Image{};
    return out;
}

// The encoder's output without its APPn and COM segments: SOI, then everything from the first other marker.
std::vector<uint8_t> withoutApplicationSegments(const std::vector<uint8_t>& jpeg) {
    std::vector<uint8_t> out(jpeg.begin(), jpeg.begin() + 2);
    size_t off = 2;
    while (off <= jpeg.size() && 4 <= jpeg.size() - off && jpeg[off] == 0xFF) {
        const int marker = jpeg[off + 1];
        const size_t length = (size_t{jpeg[off + 2]} << 8) | jpeg[off + 3];
        if (!((marker >= 0xE0 && marker <= 0xEF) || marker == 0xFE)) break;
        off += 2 + length;
    }
    if (off > jpeg.size()) return {};
    out.insert(out.end(), jpeg.begin() + static_cast<ptrdiff_t>(off), jpeg.end());
    return out;
}

}  // namespace

DecodedImage decodeJpegScaled(std::span<const uint8_t> bytes, int minWidth, int minHeight) {
    if (bytes.empty()) return DecodedImage{{}, 0, 0, "bad JPEG data: no bytes"};
    return decodeWith(&bytes, nullptr, minWidth, minHeight, INT_MAX);
}

DecodedImage decodeThumbnail(std::span<const uint8_t> bytes) {
    if (bytes.empty()) return DecodedImage{{}, 0, 0, "bad JPEG data: no bytes"};
    return decodeWith(&bytes, nullptr, INT_MAX, INT_MAX, kMaxThumbnailSide);
}

DecodedImage decodeJpegFileScaled(const std::string& path, int minWidth, int minHeight) {
    return decodeWith(nullptr, &path, minWidth, minHeight, INT_MAX);
}

DecodedImage decodeJpegStreamScaled(std::FILE* stream, int minWidth, int minHeight) {
    // The system decoder takes bytes or a name, not a C stream: the rest of the stream is read first.
    std::vector<uint8_t> bytes;
    uint8_t chunk[65536];
    for (size_t got; stream != nullptr && (got = std::fread(chunk, 1, sizeof chunk, stream)) > 0;) {
        bytes.insert(bytes.end(), chunk, chunk + got);
    }
    return decodeJpegScaled(bytes, minWidth, minHeight);
}

EncodedJpeg encodeBaselineJpeg(const Image& image, int quality) {
    EncodedJpeg out;
    out.error = encodingProblem(image, quality);
    if (!out.error.empty()) return out;
    ComScope com;
    Com<IWICImagingFactory> factory;
    Com<IStream> stream;
    Com<IWICBitmapEncoder> encoder;
    Com<IWICBitmapFrameEncode> frame;
    Com<IPropertyBag2> options;
    HRESULT hr = CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                                  reinterpret_cast<void**>(factory.out()));
    if (SUCCEEDED(hr)) hr = CreateStreamOnHGlobal(nullptr, TRUE, stream.out());
    if (SUCCEEDED(hr)) hr = factory->CreateEncoder(GUID_ContainerFormatJpeg, nullptr, encoder.out());
    if (SUCCEEDED(hr)) hr = encoder->Initialize(stream.get(), WICBitmapEncoderNoCache);
    if (SUCCEEDED(hr)) hr = encoder->CreateNewFrame(frame.out(), options.out());
    if (SUCCEEDED(hr)) {
        PROPBAG2 option{};
        option.pstrName = const_cast<LPOLESTR>(L"ImageQuality");
        VARIANT value;
        VariantInit(&value);
        value.vt = VT_R4;
        value.fltVal = static_cast<float>(quality) / 100.0f;
        hr = options->Write(1, &option, &value);
        // Chroma halved both ways where the encoder lets us choose (4:2:0 is its default elsewhere).
        PROPBAG2 subsampling{};
        subsampling.pstrName = const_cast<LPOLESTR>(L"JpegYCrCbSubsampling");
        VARIANT layout;
        VariantInit(&layout);
        layout.vt = VT_UI1;
        layout.bVal = WICJpegYCrCbSubsampling420;
        options->Write(1, &subsampling, &layout);
        // No JFIF header where the encoder can leave it out; it is cut off below where it cannot.
        PROPBAG2 suppress{};
        suppress.pstrName = const_cast<LPOLESTR>(L"SuppressApp0");
        VARIANT yes;
        VariantInit(&yes);
        yes.vt = VT_BOOL;
        yes.boolVal = VARIANT_TRUE;
        options->Write(1, &suppress, &yes);
    }
    if (SUCCEEDED(hr)) hr = frame->Initialize(options.get());
    if (SUCCEEDED(hr)) hr = frame->SetSize(static_cast<UINT>(image.width), static_cast<UINT>(image.height));
    WICPixelFormatGUID format = image.channels == 1 ? GUID_WICPixelFormat8bppGray : GUID_WICPixelFormat24bppBGR;
    if (SUCCEEDED(hr)) hr = frame->SetPixelFormat(&format);
    const bool grey = image.channels == 1;
    if (SUCCEEDED(hr) && !IsEqualGUID(format, grey ? GUID_WICPixelFormat8bppGray : GUID_WICPixelFormat24bppBGR)) {
        hr = kUnsupportedPixelFormat;
    }
    if (SUCCEEDED(hr)) {
        std::vector<uint8_t> pixels = image.pixels;
        if (!grey) {
            for (size_t i = 0; i + 2 < pixels.size(); i += 3) std::swap(pixels[i], pixels[i + 2]);
        }
        const UINT stride = static_cast<UINT>(image.width * image.channels);
        hr = frame->WritePixels(static_cast<UINT>(image.height), stride, static_cast<UINT>(pixels.size()),
                                pixels.data());
    }
    if (SUCCEEDED(hr)) hr = frame->Commit();
    if (SUCCEEDED(hr)) hr = encoder->Commit();
    STATSTG stat{};
    if (SUCCEEDED(hr)) hr = stream->Stat(&stat, STATFLAG_NONAME);
    HGLOBAL memory = nullptr;
    if (SUCCEEDED(hr)) hr = GetHGlobalFromStream(stream.get(), &memory);
    if (FAILED(hr)) {
        char text[80];
        std::snprintf(text, sizeof text, "cannot encode the thumbnail (0x%08lX)", static_cast<unsigned long>(hr));
        out.error = text;
        return out;
    }
    const auto* data = static_cast<const uint8_t*>(GlobalLock(memory));
    std::vector<uint8_t> encoded(data, data + stat.cbSize.QuadPart);
    GlobalUnlock(memory);
    out.bytes = withoutApplicationSegments(encoded);
    if (out.bytes.size() < 4) out.error = "cannot encode the thumbnail: the encoder wrote no JPEG";
    return out;
}

}  // namespace lumivex::imaging
