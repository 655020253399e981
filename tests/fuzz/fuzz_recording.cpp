// The recording reader takes any bytes: it either reads a recording whose every reference
// (passes, copies, events, check values) lies inside what it read, or refuses it with a
// reason; what it keeps stays within the format's bounds (make fuzz runs this target under
// memory limits). Each input is read twice: as it is, and with its check values made right (and the
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
    RecordingReader reader;
    std::string error;
    if (reader.openMemory(bytes.data(), bytes.size(), fingerprint, error) != 0) {
        if (error.empty()) abort();
        return;
    }
    int got;
    PassListing listing;  // as a replay walks the lists, across chunks
    while ((got = reader.next(error)) == 1) {
        // Every pass the chunk names lies inside what was read, and its frames are as many
        // as its check values.
        const RecordedChunk& c = reader.chunk();
        uint64_t frames = 0;
        for (const RecordedItem& it : c.items) {
            if (it.copies == 0) {
                if (it.pass >= reader.passes()) abort();
                listing.add(it.pass);
                frames += reader.newFrames(it.pass);
                continue;
            }
            if (it.distance == 0 || it.distance > PassListing::Reach || it.distance > listing.listed) abort();
            for (uint32_t k = 0; k < it.copies; k++) {
                uint32_t id = listing.back(it.distance);
                if (id >= reader.passes()) abort();
                listing.add(id);
                frames += reader.newFrames(id);
            }
        }
        if (frames != c.frames) abort();
        for (uint64_t i = 0; i < c.frames; i++)
            if (reader.check(i) > 15) abort();
    }
    if (got < 0) {
        if (error.empty()) abort();
        return;
    }
    // What the reader keeps of a recording is never more than the recording.
    if (reader.describedBytes() > bytes.size()) abort();
    std::vector<LayerEvent> events;
    for (uint32_t id = 0; id < reader.passes(); id++) {
        size_t end = reader.passEnd(id);
        if (reader.passBegin(id) >= end || end > reader.describedBytes()) abort();
        for (size_t at = reader.passBegin(id); at < end;) {
            RecordedOp op = reader.op(at);
            if (at > end) abort();
            if (op.op == RecordOp::Events) {
                events.clear();
                reader.events(op, events);
                if (events.size() != op.value) abort();
            }
        }
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
