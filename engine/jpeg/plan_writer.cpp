#include "lumivex/plan_writer.h"

#include <cstdio>
#include <memory>
#include <new>
#include <vector>

#include "engine/platform/file_services.h"

namespace lumivex {

namespace {

struct StreamCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using Stream = std::unique_ptr<std::FILE, StreamCloser>;

bool readAt(std::FILE* in, uint64_t offset, std::vector<uint8_t>& bytes, uint64_t n) {
    bytes.resize(static_cast<size_t>(n));
    if (std::fseek(in, static_cast<long>(offset), SEEK_SET) != 0) return false;
    return n == 0 || std::fread(bytes.data(), 1, bytes.size(), in) == bytes.size();
}

// The new file's bytes from its start up to where the last splice ends in the source.
bool newHead(std::FILE* in, const SplicePlan& plan, std::vector<uint8_t>& head) {
    std::vector<uint8_t> kept;
    uint64_t at = 0;
    for (const Splice& splice : plan.splices) {
        if (!readAt(in, at, kept, splice.offset - at)) return false;
        head.insert(head.end(), kept.begin(), kept.end());
        head.insert(head.end(), splice.bytes.begin(), splice.bytes.end());
        at = splice.end();
    }
    return true;
}

bool writeWithin(const platform::OpenFile& source, const SplicePlan& plan, platform::OpenFile& temp, uint64_t& newSize,
                 std::string& why) {
    platform::FileStatus status;
    if (!platform::statOpenFile(source, status) || static_cast<uint64_t>(status.size) != plan.sourceSize) {
        why = "the photo changed while it was edited; it was left alone";
        return false;
    }
    Stream in(platform::streamOf(source, "rb"));
    Stream out(platform::streamOf(temp, "wb"));
    std::vector<uint8_t> head;
    if (!in || !out || !newHead(in.get(), plan, head)) {
        why = "Could not read the photo for the new file";
        return false;
    }
    const uint64_t headEnd = plan.splices.empty() ? 0 : plan.splices.back().end();
    const uint64_t size = plannedSize(plan);
    const bool grows = size >= plan.sourceSize;
    const uint64_t shift = grows ? size - plan.sourceSize : 0;
    const bool cloned = grows && shift % kPlanCloneBlockBytes == 0 && platform::cloneFile(source, temp, shift);
    bool ok = std::fseek(out.get(), 0, SEEK_SET) == 0 &&
              (head.empty() || std::fwrite(head.data(), 1, head.size(), out.get()) == head.size());
    if (!cloned)
        ok = ok && platform::copyRange(in.get(), static_cast<int64_t>(headEnd), out.get(), plan.sourceSize - headEnd);
    ok = ok && std::fflush(out.get()) == 0 && std::fseek(out.get(), 0, SEEK_END) == 0;
    const long written = ok ? std::ftell(out.get()) : -1;
    ok = std::fclose(out.release()) == 0 && ok;
    if (!ok || written < 0 || static_cast<uint64_t>(written) != size) {
        why = "Could not write the new file whole (disk full, or the photo changed while it was edited)";
        return false;
    }
    newSize = size;
    return true;
}

}  // namespace

bool writePlan(const platform::OpenFile& source, const SplicePlan& plan, platform::OpenFile& temp, uint64_t& newSize,
               std::string& why) {
    if (!planIsValid(plan, why)) return false;
    // A false return lets the caller remove the temporary file; an exception would leave it behind.
    try {
        return writeWithin(source, plan, temp, newSize, why);
    } catch (const std::bad_alloc&) {
        why = "Could not allocate memory for the new file";
        return false;
    }
}

}  // namespace lumivex
