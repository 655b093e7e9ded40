// Memory that runs out at any allocation of an edit: the window and the tool end the edit with a report, leave
// no temporary file, and the photo is the original or the complete edited file.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <new>
#include <string>
#include <vector>

#include "engine/thumbnail/file_operation.h"
#include "fault_support.h"
#include "lumivex/photo_edit.h"

namespace {

// The allocation that fails next counts down to 0; below 0 none fails. Set only in forked children.
std::atomic<long> failingAllocation{-1};

void* allocate(std::size_t n) {
    if (failingAllocation.load(std::memory_order_relaxed) >= 0 && failingAllocation.fetch_sub(1) == 0) {
        throw std::bad_alloc();
    }
    if (void* p = std::malloc(n == 0 ? 1 : n)) return p;
    throw std::bad_alloc();
}

}  // namespace

void* operator new(std::size_t n) { return allocate(n); }
void* operator new[](std::size_t n) { return allocate(n); }
void* operator new(std::size_t n, const std::nothrow_t&) noexcept {
    try {
        return allocate(n);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}
void* operator new[](std::size_t n, const std::nothrow_t& tag) noexcept { return operator new(n, tag); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }

namespace lumivex::faults {
namespace {

struct AllocationCase {
    const char* name;
    bool window;    // runFileOperation; otherwise the tool's editPhoto
    bool deleting;  // delete; otherwise replace
};

class AllocationFails : public ::testing::TestWithParam<AllocationCase> {};

TEST_P(AllocationFails, AtAnyPointTheEditEndsCleanly) {
    const AllocationCase& c = GetParam();
    ScratchFolder scratch;
    const std::vector<uint8_t> original = fileBytes(testPhoto("canon-40d.jpg"));
    const std::string photo = scratch / "photo.jpg";
    const std::string thumbnail = scratch / "thumb.jpg";
    writeFile(thumbnail, fileBytes(testPhoto("fujifilm-e500-no-thumbnail.jpg")));
    int failed = 0;
    for (long k = 0; k < 600; k += 2) {
        writeFile(photo, original);
        std::filesystem::remove(photo + ".orig");
        const ChildOutcome outcome = runInChild([&] {
            EditRequest request;
            request.command = c.deleting ? EditCommand::Delete : EditCommand::Replace;
            request.photoPath = photo;
            request.secondPath = c.deleting ? "" : thumbnail;
            failingAllocation = k;
            int result = 0;
            if (c.window) {
                result = runFileOperation(photo.c_str(), c.deleting ? nullptr : thumbnail.c_str(), 1);
            } else {
                result = editPhoto(request).outcome == EditOutcome::Done ? 1 : 0;
            }
            const bool hit = failingAllocation < -1 || failingAllocation == -1;
            failingAllocation = -1;
            return result + (hit ? 0 : 2);  // 2: the countdown ran past the edit's last allocation
        });
        ASSERT_TRUE(outcome.exited) << "allocation " << k << ": signal " << outcome.signal << outcome.standardError;
        ASSERT_TRUE(outcome.result.has_value()) << "allocation " << k << ": " << outcome.standardError;
        for (const auto& entry : std::filesystem::directory_iterator(scratch.path())) {
            EXPECT_EQ(entry.path().filename().string().find(".lumivex-"), std::string::npos)
                << "allocation " << k << ": " << entry.path();
        }
        if (*outcome.result >= 2) break;
        if (*outcome.result == 0) {
            ++failed;
            EXPECT_EQ(fileBytes(photo), original) << "allocation " << k;
        }
    }
    EXPECT_GT(failed, 3);
}

INSTANTIATE_TEST_SUITE_P(Edits, AllocationFails,
                         ::testing::Values(AllocationCase{"WindowReplace", true, false},
                                           AllocationCase{"WindowDelete", true, true},
                                           AllocationCase{"ToolReplace", false, false},
                                           AllocationCase{"ToolDelete", false, true}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace lumivex::faults
