#include "engine/platform/test_pause.h"

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

namespace lumivex::platform {

void pauseForTest(const char* step) {
    // Read once: the environment does not change during a run, and every photo passes here several times.
    static const char* const setting = std::getenv("LUMIVEX_TEST_PAUSE_AT");
    if (setting == nullptr) return;
    const std::string text = setting;
    const size_t colon = text.find(':');
    if (colon == std::string::npos || text.compare(0, colon, step) != 0) return;
    const std::string gate = text.substr(colon + 1);
    std::ofstream(gate + ".reached").put('\n');
    // A test that dies must not leave the tool waiting for ever.
    std::error_code ignored;
    for (int waited = 0; waited < 12000 && !std::filesystem::exists(gate, ignored); ++waited) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

}  // namespace lumivex::platform
