#include "imaging/jpeg_cost.h"

#include <algorithm>

namespace lumivex::imaging {

namespace {

bool isFrameHeader(int marker) {
    return marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
}

// Markers that stand alone, without a length: SOI, EOI, RSTn, TEM, and the stuffed zero of entropy data.
bool standsAlone(int marker) { return marker == 0x00 || marker == 0x01 || (marker >= 0xD0 && marker <= 0xD9); }

uint64_t roundUp(uint64_t n, uint64_t to) { return (n + to - 1) / to * to; }

}  // namespace

void JpegCost::feed(const uint8_t* bytes, size_t n) {
    for (size_t i = 0; i < n; ++i) {
        const uint8_t b = bytes[i];
        switch (state_) {
            case State::Data:
                if (b == 0xFF) state_ = State::AfterFF;
                break;
            case State::AfterFF:
                if (b == 0xFF) break;  // fill bytes
                if (standsAlone(b)) {
                    state_ = State::Data;
                } else {
                    marker_ = b;
                    state_ = State::LengthHigh;
                }
                break;
            case State::LengthHigh:
                remaining_ = uint32_t{b} << 8;
                state_ = State::LengthLow;
                break;
            case State::LengthLow:
                remaining_ |= b;
                remaining_ = remaining_ >= 2 ? remaining_ - 2 : 0;
                frame_.clear();
                state_ = State::Body;
                if (remaining_ == 0) endSegment();
                break;
            case State::Body:
                if (isFrameHeader(marker_) && !frameSeen_) frame_.push_back(b);
                if (--remaining_ == 0) endSegment();
                break;
        }
    }
}

void JpegCost::endSegment() {
    state_ = State::Data;
    if (marker_ == 0xDA) ++scans_;
    if (!isFrameHeader(marker_) || frameSeen_ || frame_.size() < 6) return;
    frameSeen_ = true;
    progressive_ = marker_ == 0xC2 || marker_ == 0xC6 || marker_ == 0xCA || marker_ == 0xCE;
    height_ = (uint32_t{frame_[1]} << 8) | frame_[2];
    width_ = (uint32_t{frame_[3]} << 8) | frame_[4];
    const size_t components = std::min<size_t>(frame_[5], (frame_.size() - 6) / 3);
    uint64_t hMax = 1, vMax = 1;
    for (size_t c = 0; c < components; ++c) {
        hMax = std::max<uint64_t>(hMax, frame_[7 + 3 * c] >> 4);
        vMax = std::max<uint64_t>(vMax, frame_[7 + 3 * c] & 15);
    }
    for (size_t c = 0; c < components; ++c) {
        const uint64_t h = std::max<uint64_t>(1, frame_[7 + 3 * c] >> 4);
        const uint64_t v = std::max<uint64_t>(1, frame_[7 + 3 * c] & 15);
        const uint64_t blocksWide = roundUp((width_ * h + hMax - 1) / hMax, 8) / 8;
        const uint64_t blocksHigh = roundUp((height_ * v + vMax - 1) / vMax, 8) / 8;
        coefficientBytes_ += roundUp(blocksWide, h) * roundUp(blocksHigh, v) * 128;
    }
}

}  // namespace lumivex::imaging
