// What decoding a JPEG stream will cost, read from its markers alone, for a decoder that cannot be stopped
// midway: the stream is fed in pieces, as it is read, and nothing of it is kept.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace lumivex::imaging {

// A decoder's own buffers: a progressive image keeps every coefficient of the whole picture (128 bytes per
// 8x8 block), so a 3 MB file may claim gigabytes. With the decoded pixels, a decode stays under 256 MiB.
constexpr uint64_t kMaxDecoderMemory = 192ull << 20;

// Each scan is a pass over the whole coefficient buffer; cameras and encoders write at most a few dozen,
// while a hostile file may hold hundreds of valid ones. The passes are bounded in number and in work
// (blocks times scans), so that a large image gets fewer: never fewer than 20 within the memory budget,
// twice what a standard progressive file has.
constexpr int kMaxScans = 64;
constexpr uint64_t kMaxBlockScans = 32ull << 20;

// The most scans an image whose whole coefficient buffer is coefficientBytes (0: none needed) may take.
inline int maxScansFor(uint64_t coefficientBytes) {
    const uint64_t blocks = coefficientBytes / 128;
    if (blocks == 0 || kMaxBlockScans / blocks >= uint64_t{kMaxScans}) return kMaxScans;
    return kMaxBlockScans / blocks < 4 ? 4 : static_cast<int>(kMaxBlockScans / blocks);
}

class JpegCost {
  public:
    void feed(const uint8_t* bytes, size_t n);

    bool frameSeen() const { return frameSeen_; }
    bool progressive() const { return progressive_; }
    uint32_t width() const { return width_; }
    uint32_t height() const { return height_; }
    // The coefficient buffer a decoder needs to hold the whole image (every block of every component, padded
    // to whole MCUs): what a progressive image costs before its first pixel.
    uint64_t coefficientBytes() const { return coefficientBytes_; }
    int scans() const { return scans_; }

  private:
    void endSegment();

    enum class State { Data, AfterFF, LengthHigh, LengthLow, Body };
    State state_ = State::Data;
    int marker_ = 0;
    uint32_t remaining_ = 0;
    std::vector<uint8_t> frame_;  // the body of the frame header, once met
    bool frameSeen_ = false;
    bool progressive_ = false;
    uint32_t width_ = 0;
    uint32_t height_ = 0;
    uint64_t coefficientBytes_ = 0;
    int scans_ = 0;
};

}  // namespace lumivex::imaging
