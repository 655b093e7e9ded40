#include "cli/progress_line.h"

#include <fmt/format.h>

#include <cmath>
#include <cstdio>

namespace lumivex::cli {

namespace {
constexpr auto kShowAfter = std::chrono::seconds(1);
constexpr auto kRedrawEvery = std::chrono::milliseconds(200);
}  // namespace

std::string clockText(double seconds) {
    const long total = seconds < 0 ? 0 : std::lround(seconds);
    if (total >= 3600) return fmt::format("{}:{:02}:{:02}", total / 3600, total / 60 % 60, total % 60);
    return fmt::format("{}:{:02}", total / 60, total % 60);
}

ProgressLine::ProgressLine(bool enabled, size_t total) : enabled_(enabled), total_(total) {}

void ProgressLine::update(size_t done) {
    if (!enabled_) return;
    const auto now = Clock::now();
    if (now - start_ < kShowAfter || now - lastDraw_ < kRedrawEvery) return;
    lastDraw_ = now;
    const double seconds = std::chrono::duration<double>(now - start_).count();
    const double rate = static_cast<double>(done) / seconds;
    std::string line = fmt::format("{}/{} photos, {:.0f}/s", done, total_, rate);
    if (rate > 0 && done < total_)
        line += fmt::format(", {} left", clockText(static_cast<double>(total_ - done) / rate));
    const size_t width = line.size();
    // Spaces over what is left of a longer previous line.
    std::fprintf(stderr, "\r%s%*s", line.c_str(), shownWidth_ > width ? static_cast<int>(shownWidth_ - width) : 0, "");
    std::fflush(stderr);
    shownWidth_ = width;
}

void ProgressLine::clear() {
    if (shownWidth_ == 0) return;
    std::fprintf(stderr, "\r%*s\r", static_cast<int>(shownWidth_), "");
    std::fflush(stderr);
    shownWidth_ = 0;
}

}  // namespace lumivex::cli
