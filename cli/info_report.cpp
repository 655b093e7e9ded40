#include "cli/info_report.h"

#include <fmt/format.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <iterator>
#include <string_view>

#include "cli/json_text.h"
#include "cli/terminal_text.h"
#include "lumivex/photo_report.h"

namespace lumivex::cli {

namespace {

// A text field up to its first NUL, never past the field.
template <size_t N>
std::string_view fieldText(const char (&field)[N]) {
    return std::string_view(field, strnlen(field, N));
}

// Cameras pad their texts with spaces to a fixed width, and write "? ?" for a position they never had.
std::string_view trimmed(std::string_view text) {
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    return text.find('?') == std::string_view::npos || text.find_first_not_of("? ") != std::string_view::npos
               ? text
               : std::string_view();
}

template <size_t N>
std::string_view factText(const char (&field)[N]) {
    return trimmed(fieldText(field));
}

// The name of an Exif code, or the code itself for one that the standard does not name.
struct CodeName {
    int32_t code;
    const char* name;
};

template <size_t N>
std::string codeName(const CodeName (&names)[N], int32_t code) {
    for (const CodeName& n : names) {
        if (n.code == code) return n.name;
    }
    return std::to_string(code);
}

constexpr CodeName kMeteringModes[] = {{0, "unknown"}, {1, "average"},    {2, "center-weighted average"},
                                       {3, "spot"},    {4, "multi-spot"}, {5, "multi-segment"},
                                       {6, "partial"}, {255, "other"}};
constexpr CodeName kExposurePrograms[] = {{1, "manual"},           {2, "program AE"}, {3, "aperture priority"},
                                          {4, "shutter priority"}, {5, "creative"},   {6, "action"},
                                          {7, "portrait"},         {8, "landscape"}};
constexpr CodeName kLightSources[] = {{1, "daylight"},
                                      {2, "fluorescent"},
                                      {3, "tungsten"},
                                      {4, "flash"},
                                      {9, "fine weather"},
                                      {10, "cloudy"},
                                      {11, "shade"},
                                      {12, "daylight fluorescent"},
                                      {13, "day white fluorescent"},
                                      {14, "cool white fluorescent"},
                                      {15, "white fluorescent"},
                                      {17, "standard light A"},
                                      {18, "standard light B"},
                                      {19, "standard light C"},
                                      {20, "D55"},
                                      {21, "D65"},
                                      {22, "D75"},
                                      {23, "D50"},
                                      {24, "ISO studio tungsten"},
                                      {255, "other"}};

std::string commentJson(const PhotoInfo& info) {
    if (info.commentWideChars > 0) {
        const size_t units = std::min<size_t>(static_cast<size_t>(info.commentWideChars), sizeof info.comment / 2);
        return jsonStringFromUtf16le(reinterpret_cast<const uint8_t*>(info.comment), units);
    }
    return jsonStringFromBytes(fieldText(info.comment));
}

// The facts' members in the JSON line, each value from the type of its field.
class JsonObject {
  public:
    explicit JsonObject(JsonLine& line) : line_(line) {}
    void add(const char* key, const std::string& json) { line_.raw(key, json); }
    void add(const char* key, long long value) { line_.number(key, value); }
    void addFloat(const char* key, float value) { add(key, jsonFloat(value)); }
    template <size_t N>
    void addText(const char* key, const char (&field)[N]) {
        add(key, jsonStringFromBytes(factText(field)));
    }

  private:
    JsonLine& line_;
};

std::string dateOffsetsJson(const PhotoInfo& info) {
    std::string out = "[";
    const int count = std::clamp(info.dateOffsetCount, 0, kMaxDateOffsets);
    for (int i = 0; i < count; ++i) {
        if (i > 0) out += ", ";
        out += std::to_string(info.dateOffsets[i]);
    }
    return out + "]";
}

std::string sectionsJson(const std::vector<SectionSummary>& sections) {
    std::string out = "[";
    for (size_t i = 0; i < sections.size(); ++i) {
        if (i > 0) out += ", ";
        out += "{\"marker\": " + std::to_string(sections[i].marker) +
               ", \"size\": " + std::to_string(sections[i].size) + "}";
    }
    return out + "]";
}

std::string byteOrderJson(const std::optional<ExifByteOrder>& order) {
    if (!order) return "null";
    return *order == ExifByteOrder::Motorola ? "\"MM\"" : "\"II\"";
}

}  // namespace

void addPhotoInfo(const PhotoReport& report, JsonLine& json) {
    const PhotoInfo& p = report.facts;
    JsonObject o(json);
    o.add("filePath", jsonStringFromBytes(fieldText(p.filePath)));
    o.add("fileModified", p.fileModified);
    o.add("jfifUnits", p.jfifUnits);
    o.add("jfifXDensity", p.jfifXDensity);
    o.add("jfifYDensity", p.jfifYDensity);
    o.add("fileSize", p.fileSize);
    o.addText("cameraMake", p.cameraMake);
    o.addText("cameraModel", p.cameraModel);
    o.addText("dateTime", p.dateTime);
    o.add("height", p.height);
    o.add("width", p.width);
    o.add("orientation", p.orientation);
    o.add("isColor", p.isColor);
    o.add("jpegProcess", p.jpegProcess);
    o.add("flash", p.flash);
    o.addFloat("focalLength", p.focalLength);
    o.addFloat("exposureTime", p.exposureTime);
    o.addFloat("fNumber", p.fNumber);
    o.addFloat("subjectDistance", p.subjectDistance);
    o.addFloat("ccdWidth", p.ccdWidth);
    o.addFloat("exposureBias", p.exposureBias);
    o.addFloat("digitalZoomRatio", p.digitalZoomRatio);
    o.add("focalLength35mm", p.focalLength35mm);
    o.add("whiteBalance", p.whiteBalance);
    o.add("meteringMode", p.meteringMode);
    o.add("exposureProgram", p.exposureProgram);
    o.add("exposureMode", p.exposureMode);
    o.add("isoEquivalent", p.isoEquivalent);
    o.add("lightSource", p.lightSource);
    o.add("subjectDistanceRange", p.subjectDistanceRange);
    o.addFloat("xResolution", p.xResolution);
    o.addFloat("yResolution", p.yResolution);
    o.add("resolutionUnit", p.resolutionUnit);
    o.add("comment", commentJson(p));
    o.add("thumbOffset", p.thumbOffset);
    o.add("thumbLength", p.thumbLength);
    o.add("exifExtent", p.exifExtent);
    o.add("thumbAtEnd", p.thumbAtEnd);
    o.add("dateOffsets", dateOffsetsJson(p));
    o.add("dateOffsetCount", p.dateOffsetCount);
    o.add("gpsPresent", p.gpsPresent);
    o.addText("gpsLatitude", p.gpsLatitude);
    o.addText("gpsLongitude", p.gpsLongitude);
    o.addText("gpsAltitude", p.gpsAltitude);
    o.add("byteOrder", byteOrderJson(report.byteOrder));
    o.add("sections", sectionsJson(report.sections));
    o.add("replaceRoute", jsonStringFromBytes(report.replaceRoute));
    o.add("roomInPlace", static_cast<long long>(report.roomInPlace));
}

namespace {

class TextReport {
  public:
    void line(const char* name, std::string_view value) {
        if (value.empty()) return;
        fmt::format_to(std::back_inserter(text_), "{:<18}: ", name);
        text_ += terminalText(value);
        text_ += '\n';
    }
    template <typename... Args>
    void format(const char* name, fmt::format_string<Args...> pattern, Args&&... args) {
        line(name, fmt::format(pattern, std::forward<Args>(args)...));
    }
    std::string take() { return std::move(text_); }

  private:
    std::string text_;
};

const char* orientationName(int32_t orientation) {
    static const char* const kNames[] = {"",          "normal",    "flip horizontal", "rotate 180", "flip vertical",
                                         "transpose", "rotate 90", "transverse",      "rotate 270"};
    return orientation >= 1 && orientation <= 8 ? kNames[orientation] : "";
}

std::string commentText(const PhotoInfo& info) {
    if (info.commentWideChars == 0) return std::string(trimmed(fieldText(info.comment)));
    std::string json = commentJson(info);  // decoded from UTF-16LE; shown without the quotes
    return json.substr(1, json.size() - 2);
}

}  // namespace

std::string photoInfoText(const PhotoReport& report) {
    const PhotoInfo& p = report.facts;
    TextReport r;
    r.line("File name", fieldText(p.filePath));
    r.format("File size", "{} bytes", p.fileSize);
    r.line("Camera make", factText(p.cameraMake));
    r.line("Camera model", factText(p.cameraModel));
    r.line("Date/Time", factText(p.dateTime));
    if (p.width > 0 || p.height > 0) r.format("Resolution", "{} x {}", p.width, p.height);
    r.line("Orientation", orientationName(p.orientation));
    if (p.width > 0) r.line("Color/BW", p.isColor ? "Color" : "Black and white");
    if (p.flash >= 0) r.line("Flash used", (p.flash & 1) ? "Yes" : "No");
    if (p.focalLength > 0) {
        if (p.focalLength35mm > 0) {
            r.format("Focal length", "{:.1f} mm (35 mm equivalent: {} mm)", p.focalLength, p.focalLength35mm);
        } else {
            r.format("Focal length", "{:.1f} mm", p.focalLength);
        }
    }
    if (p.digitalZoomRatio > 1) r.format("Digital zoom", "{:.3f}x", p.digitalZoomRatio);
    if (p.ccdWidth > 0) r.format("CCD width", "{:.2f} mm", p.ccdWidth);
    if (p.exposureTime > 0) {
        if (p.exposureTime <= 0.5f) {
            r.format("Exposure time", "{:.4f} s (1/{})", p.exposureTime,
                     static_cast<int>(std::lround(1 / p.exposureTime)));
        } else {
            r.format("Exposure time", "{:.3f} s", p.exposureTime);
        }
    }
    if (p.fNumber > 0) r.format("Aperture", "f/{:.1f}", p.fNumber);
    if (p.subjectDistance > 0) r.format("Focus distance", "{:.2f} m", p.subjectDistance);
    if (p.subjectDistance < 0) r.line("Focus distance", "Infinite");
    if (p.isoEquivalent != 0) r.format("ISO equivalent", "{}", p.isoEquivalent);
    if (p.exposureBias != 0) r.format("Exposure bias", "{:.2f}", p.exposureBias);
    if (p.whiteBalance >= 0) r.line("White balance", p.whiteBalance == 1 ? "Manual" : "Auto");
    if (p.lightSource != 0) r.line("Light source", codeName(kLightSources, p.lightSource));
    if (p.meteringMode >= 0) r.line("Metering mode", codeName(kMeteringModes, p.meteringMode));
    if (p.exposureProgram != 0) r.line("Exposure program", codeName(kExposurePrograms, p.exposureProgram));
    if (p.gpsPresent) {
        r.line("GPS Latitude", factText(p.gpsLatitude));
        r.line("GPS Longitude", factText(p.gpsLongitude));
        r.line("GPS Altitude", factText(p.gpsAltitude));
    }
    r.line("Comment", commentText(p));
    if (p.thumbOffset != 0) {
        r.format("Thumbnail", "{} bytes at offset {} ({})", p.thumbLength, p.thumbOffset,
                 p.thumbAtEnd ? "last in the Exif block" : "not last in the Exif block");
    } else {
        r.line("Thumbnail", "none");
    }
    r.line("Replacement", report.replaceRoute);
    r.format("Room for edits", "{} bytes", report.roomInPlace);
    return r.take();
}

}  // namespace lumivex::cli
