// Parses a hand-built Exif segment the way the reader does, with a fresh record, capturing the reports.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "engine/diag/diag.h"
#include "engine/exif/exif_segment.h"
#include "engine/jpeg/photo_records.h"
#include "tests/unit/exif_builder.h"

namespace lumivex::test {

class ExifParseTest : public ::testing::Test {
  protected:
    void SetUp() override {
        currentFileName.reset();
        clearPhotoInfoForNewFile(records);
        records.exifByteOrder = ExifByteOrder::Intel;
    }
    // Parses a copy of the segment (kept in `segment`, which the parse may change); returns the reports.
    std::string parse(const Bytes& bytes) {
        segment = bytes;
        ::testing::internal::CaptureStderr();
        parseExifSegment(records, segment.data(), static_cast<uint32_t>(segment.size()));
        return ::testing::internal::GetCapturedStderr();
    }
    static std::string report(const std::string& text) { return "\nNonfatal Error : " + text + "\n"; }

    Bytes segment;
    PhotoRecords records;
    PhotoInfo& photoInfo = records.photoInfo;
    const ExifByteOrder& exifByteOrder = records.exifByteOrder;
};

}  // namespace lumivex::test
