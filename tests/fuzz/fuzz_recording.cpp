// The recording reader takes any bytes: it either loads a recording whose every reference
// (passes, copies, events, check values) lies inside what it read, or refuses it with a
// reason. Each input is read twice: as it is, and with its check values made right (and the
// fingerprint taken as this build's), so that the fuzzer reaches past the checksums.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>
#include "platform/record.h"

namespace {

uint32_t getU32(const std::vector<uint8_t>& b, size_t at) {
    return uint32_t(b[at]) | uint32_t(b[at + 1]) << 8 | uint32_t(b[at + 2]) << 16 | uint32_t(b[at + 3]) << 24;
}
void putU32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; i++) b[at + size_t(i)] = uint8_t(v >> (8 * i));
}

void check(const std::vector<uint8_t>& bytes, uint64_t fingerprint) {
    Recording rec;
    std::string error;
    if (parseRecording(bytes.data(), bytes.size(), fingerprint, rec, error) != 0) {
        if (error.empty() || !rec.chunks.empty() || !rec.ops.empty() || !rec.events.empty()) abort();
        return;
    }
    for (const RecordedPass& p : rec.passes)
        if (p.firstOp > p.endOp || p.endOp > rec.ops.size()) abort();
    for (const RecordedOp& op : rec.ops)
        if (op.op == RecordOp::Events && (op.count == 0 || uint64_t(op.value) + op.count > rec.events.size())) abort();
    uint64_t listed = 0;
    for (const RecordedChunk& c : rec.chunks) {
        for (const RecordedItem& it : c.items) {
            if (it.copies == 0 && it.pass >= rec.passes.size()) abort();
            if (it.copies > 0 && (it.distance == 0 || it.distance > 64 || it.distance > listed)) abort();
            listed += it.copies ? it.copies : 1;
        }
        for (uint8_t v : c.checks)
            if (v > 15) abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<uint8_t> bytes(data, data + size);
    check(bytes, contentFingerprint());
    if (size < 32) return 0;
    uint64_t fingerprint = 0;
    for (int i = 0; i < 8; i++) fingerprint |= uint64_t(bytes[12 + size_t(i)]) << (8 * i);
    putU32(bytes, 28, recordingCrc32(bytes.data(), 28));
    for (size_t at = 32; at + 8 <= bytes.size();) {
        uint32_t length = getU32(bytes, at);
        if (length > bytes.size() - at - 8) break;
        putU32(bytes, at + 4 + length, recordingCrc32(bytes.data() + at + 4, length));
        at += size_t(length) + 8;
    }
    check(bytes, fingerprint);
    return 0;
}
