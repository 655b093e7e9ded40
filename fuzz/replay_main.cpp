// Replays saved inputs through a fuzz target without libFuzzer: each argument is a file or a folder of files.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

std::vector<std::filesystem::path> inputsOf(const char* argument) {
    std::vector<std::filesystem::path> inputs;
    const std::filesystem::path path(argument);
    // A target with no regressions yet has no folder for them.
    if (!std::filesystem::exists(path)) return inputs;
    if (std::filesystem::is_directory(path)) {
        for (const auto& entry : std::filesystem::directory_iterator(path)) {
            if (entry.is_regular_file() && entry.path().filename().string()[0] != '.') inputs.push_back(entry.path());
        }
        std::sort(inputs.begin(), inputs.end());
    } else {
        inputs.push_back(path);
    }
    return inputs;
}

}  // namespace

int main(int argc, char** argv) {
    size_t replayed = 0;
    for (int i = 1; i < argc; ++i) {
        for (const auto& input : inputsOf(argv[i])) {
            std::vector<uint8_t> bytes;
            if (!lumivex::fuzz::readFileBytes(input.string(), bytes)) {
                std::fprintf(stderr, "cannot read %s\n", input.string().c_str());
                return 2;
            }
            std::fprintf(stderr, "== %s\n", input.string().c_str());
            LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
            ++replayed;
        }
    }
    std::fprintf(stderr, "replayed %zu inputs\n", replayed);
    return replayed > 0 ? 0 : 2;
}
