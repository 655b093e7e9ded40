// Photos read and edited on two threads at once come out exactly as when they are processed one after the
// other: nothing of one photo is kept where the other thread's work can reach it.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <span>
#include <string>
#include <thread>
#include <vector>

#include "engine/diag/diag.h"
#include "engine/report/photo_report.h"
#include "engine/thumbnail/file_operation.h"
#include "lumivex/photo.h"
#include "tests/unit/exif_builder.h"

namespace lumivex {
namespace {

using test::Bytes;

// What the engine said and wrote for one photo: its report read by name, its value read from memory with the
// tool's two edits planned over it, and the file the window's replacement wrote.
struct Seen {
    std::string text;
    std::vector<Bytes> files;
    bool operator==(const Seen&) const = default;
};

std::string factsText(const PhotoInfo& facts) {
    return std::string(facts.cameraMake) + "|" + facts.dateTime + "|" + facts.gpsLatitude + "|" +
           std::to_string(facts.width) + "x" + std::to_string(facts.height) + "|" + std::to_string(facts.thumbOffset) +
           "+" + std::to_string(facts.thumbLength) + "\n";
}

void addPlan(Seen& seen, std::span<const uint8_t> file, const EditPlan& plan) {
    seen.text += plan.route + "|" + plan.why + "\n";
    Bytes edited;
    if (plan.outcome == EditPlan::Outcome::Planned && applyPlan(file, plan.splices, edited)) {
        seen.files.push_back(std::move(edited));
    }
}

Seen processPhoto(const std::string& source, const std::string& copy, const Bytes& thumbnail,
                  const std::string& thumbnailPath, bool viaFiles) {
    Seen seen;
    ScopedReportSink collect([&seen](std::string_view text) { seen.text.append(text); });
    const Bytes file = test::readFile(source);
    Photo photo;
    std::string why;
    if (readPhoto(file, source, photo, why)) {
        seen.text += factsText(photo.info);
        addPlan(seen, file, planReplace(photo, thumbnail));
        addPlan(seen, file, planDelete(photo));
    }
    if (!viaFiles) return seen;
    test::writeFile(copy, file);
    // The minimal Exif block of a photo without a date takes the file's time: the same in every round.
    std::filesystem::last_write_time(copy, std::filesystem::last_write_time(source));
    if (const std::optional<PhotoReport> report = readPhotoReport(copy.c_str())) {
        seen.text += factsText(report->facts) + report->replaceRoute + "\n";
    }
    seen.text += "window replace " + std::to_string(runFileOperation(copy.c_str(), thumbnailPath.c_str(), 1)) + "\n";
    seen.files.push_back(test::readFile(copy));
    return seen;
}

TEST(PhotosInParallel, TwoThreadsGiveWhatOneAfterTheOtherGives) {
    std::vector<std::string> photos;
    for (const auto& entry : std::filesystem::directory_iterator(test::testDataPath("photos"))) {
        if (entry.path().extension() == ".jpg") photos.push_back(entry.path().string());
    }
    std::sort(photos.begin(), photos.end());
    ASSERT_GE(photos.size(), 4u);
    test::TempDir dir;
    const std::string thumbnailPath = test::testDataPath("photos/fujifilm-e500-no-thumbnail.jpg");
    const Bytes thumbnail = test::readFile(thumbnailPath);
    // Each thread has its own photos, in its own copies; every few rounds go through files too.
    constexpr int kRounds = 12;
    const auto work = [&](size_t thread, int round) {
        std::vector<Seen> seen;
        for (size_t i = thread; i < photos.size(); i += 2) {
            seen.push_back(processPhoto(photos[i], dir.path(std::to_string(i) + ".jpg"), thumbnail, thumbnailPath,
                                        round % 4 == 0));
        }
        return seen;
    };
    const std::vector<Seen> alone[2][2] = {{work(0, 1), work(0, 0)}, {work(1, 1), work(1, 0)}};

    std::vector<Seen> together[2][kRounds];
    std::thread other([&] {
        for (int round = 0; round < kRounds; ++round) together[1][round] = work(1, round);
    });
    for (int round = 0; round < kRounds; ++round) together[0][round] = work(0, round);
    other.join();

    for (size_t thread = 0; thread < 2; ++thread) {
        for (int round = 0; round < kRounds; ++round) {
            const std::vector<Seen>& expected = alone[thread][round % 4 == 0 ? 1 : 0];
            ASSERT_EQ(together[thread][round].size(), expected.size());
            for (size_t i = 0; i < expected.size(); ++i) {
                const std::string& photo = photos[thread + 2 * i];
                EXPECT_EQ(together[thread][round][i].text, expected[i].text) << photo << " round " << round;
                EXPECT_TRUE(together[thread][round][i].files == expected[i].files) << photo << " round " << round;
            }
        }
    }
}

}  // namespace
}  // namespace lumivex
