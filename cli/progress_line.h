// One line on standard error that says how far a long run is: done/total, photos per second, time left.
#pragma once

#include <chrono>
#include <cstddef>
#include <string>

namespace lumivex::cli {

class ProgressLine {
  public:
    // Shown only when `enabled` (a terminal, not --quiet) and once the run has taken about a second.
    ProgressLine(bool enabled, size_t total);

    // Redraws the line for `done` photos, at most a few times a second.
    void update(size_t done);
    // Takes the line away so that other text can be written; the next update draws it again.
    void clear();

  private:
    using Clock = std::chrono::steady_clock;
    bool enabled_;
    size_t total_;
    Clock::time_point start_ = Clock::now();
    Clock::time_point lastDraw_{};
    size_t shownWidth_ = 0;  // characters on the line now; 0: nothing shown
};

// "0:07" or "1:02:03".
std::string clockText(double seconds);

}  // namespace lumivex::cli
