#include "scores/TReplay.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>

namespace {

constexpr char kMagic[] = "TAVRIKRP";
constexpr size_t kMagicBytes = sizeof kMagic - 1;
// Widths of the stored numbers: the format version, counts, sizes and most result fields
// (words), points and checkpoint hashes (longs).
constexpr int kVersionBytes = 2;
constexpr int kWordBytes = 4;
constexpr int kLongBytes = 8;

// Which fields of a step differ from the step before; only those follow the flags byte.
constexpr uint8_t kStepThrust = 1 << 0;
constexpr uint8_t kStepReverse = 1 << 1;
constexpr uint8_t kStepStrafe = 1 << 2;   // both strafe amounts, left then right
constexpr uint8_t kStepAimX = 1 << 3;     // zigzag varint of the difference
constexpr uint8_t kStepAimY = 1 << 4;
constexpr uint8_t kStepButtons = 1 << 5;
constexpr uint8_t kStepSelect = 1 << 6;
constexpr uint8_t kStepKnownFlags = 0x7F;

// The highest rocket choice of a step (1..3 select rocket types 0..2).
constexpr uint8_t kMaxSelectRocket = 3;
// A 32-bit varint takes at most five bytes of seven bits.
constexpr size_t kMaxVarintBytes = 5;
constexpr int kVarintBits = 7;
constexpr uint8_t kVarintMore = 0x80;
constexpr uint8_t kVarintValue = 0x7F;
// The fifth byte of a varint holds the top four bits.
constexpr uint8_t kVarintLastByteMax = 0x0F;
// The longest a step can be: flags, four amounts, two varints, buttons and rocket choice.
constexpr size_t kMaxStepBytes = 1 + 4 + 2 * kMaxVarintBytes + 1 + 1;
// The compressed block: step count, steps, checkpoint count, checkpoints.
constexpr uint64_t kMaxBlockBytes = kWordBytes + uint64_t(kMaxReplaySteps) * kMaxStepBytes + kWordBytes +
                                    uint64_t(kMaxReplaySteps / kReplayStepsPerSecond) * kLongBytes;
// The result: points, kills, stage, steps and end; then the CRC-32.
constexpr size_t kResultBytes = kLongBytes + 3 * kWordBytes + 1;
constexpr size_t kCrcBytes = kWordBytes;
// The inflate buffer's first size; it doubles as the block needs, up to its declared size.
constexpr size_t kFirstInflateBytes = 64 * 1024;

// ---- writing, little endian ----

void PutUnsigned(std::string& out, uint64_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out += char((value >> (8 * i)) & 0xFF);
}

void PutText(std::string& out, const std::string& text) {
    size_t length = text.size() < size_t(kMaxReplayTextBytes) ? text.size() : size_t(kMaxReplayTextBytes);
    PutUnsigned(out, length, 1);
    out.append(text, 0, length);
}

void PutVarint(std::string& out, uint32_t value) {
    while (value > kVarintValue) {
        out += char((value & kVarintValue) | kVarintMore);
        value >>= kVarintBits;
    }
    out += char(value);
}

// Small differences either way become small numbers: 0, -1, 1, -2, ... as 0, 1, 2, 3, ...
uint32_t ZigZag(int32_t value) { return (uint32_t(value) << 1) ^ uint32_t(value >> 31); }
int32_t UnZigZag(uint32_t value) { return int32_t((value >> 1) ^ (0u - (value & 1))); }

// The difference wraps, so every pair of 32-bit values has one.
int32_t Difference(int32_t now, int32_t before) { return int32_t(uint32_t(now) - uint32_t(before)); }
int32_t Added(int32_t before, int32_t difference) { return int32_t(uint32_t(before) + uint32_t(difference)); }

void PutStep(std::string& out, const TControls& step, const TControls& before) {
    uint8_t flags = 0;
    if (step.thrust != before.thrust) flags |= kStepThrust;
    if (step.reverse != before.reverse) flags |= kStepReverse;
    if (step.strafeLeft != before.strafeLeft || step.strafeRight != before.strafeRight) flags |= kStepStrafe;
    if (step.aimX != before.aimX) flags |= kStepAimX;
    if (step.aimY != before.aimY) flags |= kStepAimY;
    if (step.buttons != before.buttons) flags |= kStepButtons;
    if (step.selectRocket != before.selectRocket) flags |= kStepSelect;
    out += char(flags);
    if (flags & kStepThrust) out += char(step.thrust);
    if (flags & kStepReverse) out += char(step.reverse);
    if (flags & kStepStrafe) {
        out += char(step.strafeLeft);
        out += char(step.strafeRight);
    }
    if (flags & kStepAimX) PutVarint(out, ZigZag(Difference(step.aimX, before.aimX)));
    if (flags & kStepAimY) PutVarint(out, ZigZag(Difference(step.aimY, before.aimY)));
    if (flags & kStepButtons) out += char(step.buttons);
    if (flags & kStepSelect) out += char(step.selectRocket);
}

// ---- reading: every read checks the bytes left and advances ----

class Reader {
public:
    Reader(const unsigned char* data, size_t size) : data(data), size(size) {}

    bool Unsigned(uint64_t& value, int bytes) {
        if (size - at < size_t(bytes)) return false;
        value = 0;
        for (int i = 0; i < bytes; ++i) value |= uint64_t(data[at + i]) << (8 * i);
        at += size_t(bytes);
        return true;
    }
    bool Byte(uint8_t& value) {
        if (at >= size) return false;
        value = data[at++];
        return true;
    }
    bool Text(std::string& text) {
        uint8_t length = 0;
        if (!Byte(length) || length > kMaxReplayTextBytes || size - at < length) return false;
        text.assign(reinterpret_cast<const char*>(data + at), length);
        at += length;
        return true;
    }
    // A varint of at most 32 bits, in its shortest form.
    bool Varint(uint32_t& value) {
        value = 0;
        for (size_t i = 0; i < kMaxVarintBytes; ++i) {
            uint8_t byte = 0;
            if (!Byte(byte)) return false;
            if (i == kMaxVarintBytes - 1 && byte > kVarintLastByteMax) return false;
            value |= uint32_t(byte & kVarintValue) << (kVarintBits * i);
            if (!(byte & kVarintMore)) return i == 0 || byte != 0;
        }
        return false;
    }
    bool Skip(size_t bytes) {
        if (size - at < bytes) return false;
        at += bytes;
        return true;
    }
    size_t At() const { return at; }
    size_t Left() const { return size - at; }

private:
    const unsigned char* data;
    size_t size;
    size_t at = 0;
};

// Reads one step over the one before; "" or why it is refused.
const char* ReadStep(Reader& in, TControls& step) {
    uint8_t flags = 0;
    if (!in.Byte(flags)) return "steps truncated";
    if (flags & ~kStepKnownFlags) return "unknown step flags";
    uint32_t zigzag = 0;
    bool ok = (!(flags & kStepThrust) || in.Byte(step.thrust)) && (!(flags & kStepReverse) || in.Byte(step.reverse)) &&
              (!(flags & kStepStrafe) || (in.Byte(step.strafeLeft) && in.Byte(step.strafeRight)));
    if (!ok) return "steps truncated";
    if (flags & kStepAimX) {
        if (!in.Varint(zigzag)) return "aim point truncated or malformed";
        step.aimX = Added(step.aimX, UnZigZag(zigzag));
    }
    if (flags & kStepAimY) {
        if (!in.Varint(zigzag)) return "aim point truncated or malformed";
        step.aimY = Added(step.aimY, UnZigZag(zigzag));
    }
    ok = (!(flags & kStepButtons) || in.Byte(step.buttons)) && (!(flags & kStepSelect) || in.Byte(step.selectRocket));
    if (!ok) return "steps truncated";
    if (step.buttons & ~kControlButtonMask) return "unknown buttons";
    if (step.selectRocket > kMaxSelectRocket) return "unknown rocket choice";
    return "";
}

// Inflates exactly rawSize bytes from the compressed bytes, all of them used. The buffer grows
// with what really comes out, so a small file declaring a large block costs little; one byte
// beyond the declared size tells a longer block.
bool Inflate(const unsigned char* compressed, size_t compressedSize, size_t rawSize, std::string& raw) {
    z_stream stream{};
    if (inflateInit(&stream) != Z_OK) return false;
    stream.next_in = const_cast<unsigned char*>(compressed);
    stream.avail_in = uInt(compressedSize);
    size_t produced = 0;
    int status = Z_OK;
    raw.resize(std::min(rawSize + 1, kFirstInflateBytes));
    while (status == Z_OK) {
        if (produced == raw.size()) {
            if (raw.size() == rawSize + 1) break;
            raw.resize(std::min(rawSize + 1, raw.size() * 2));
        }
        stream.next_out = reinterpret_cast<unsigned char*>(raw.data() + produced);
        stream.avail_out = uInt(raw.size() - produced);
        status = inflate(&stream, Z_FINISH);
        produced = raw.size() - stream.avail_out;
        if (status == Z_BUF_ERROR && stream.avail_out == 0) status = Z_OK;
    }
    inflateEnd(&stream);
    raw.resize(produced);
    return status == Z_STREAM_END && stream.avail_in == 0 && produced == rawSize;
}

bool Refuse(std::string& error, const char* reason) {
    error = reason;
    return false;
}

}  // namespace

int ReplayCheckpoints(size_t steps) { return int(steps / kReplayStepsPerSecond); }

std::string TReplay::Encode() const {
    std::string out(kMagic, kMagicBytes);
    PutUnsigned(out, uint32_t(formatVersion), kVersionBytes);
    PutText(out, gameVersion);
    PutText(out, identity);
    PutText(out, playerName);
    PutText(out, date);
    PutUnsigned(out, seed, kWordBytes);

    std::string raw;
    raw.reserve(2 * kWordBytes + steps.size() * 2 + checkpoints.size() * kLongBytes);
    PutUnsigned(raw, steps.size(), kWordBytes);
    TControls before;
    for (const TControls& step : steps) {
        PutStep(raw, step, before);
        before = step;
    }
    PutUnsigned(raw, checkpoints.size(), kWordBytes);
    for (uint64_t hash : checkpoints) PutUnsigned(raw, hash, kLongBytes);

    uLongf compressedSize = compressBound(uLong(raw.size()));
    std::string compressed(compressedSize, '\0');
    compress2(reinterpret_cast<Bytef*>(compressed.data()), &compressedSize, reinterpret_cast<const Bytef*>(raw.data()),
              uLong(raw.size()), Z_BEST_COMPRESSION);
    compressed.resize(compressedSize);
    PutUnsigned(out, raw.size(), kWordBytes);
    PutUnsigned(out, compressed.size(), kWordBytes);
    out += compressed;

    PutUnsigned(out, uint64_t(result.points), kLongBytes);
    PutUnsigned(out, uint32_t(result.kills), kWordBytes);
    PutUnsigned(out, uint32_t(result.stage), kWordBytes);
    PutUnsigned(out, uint32_t(result.steps), kWordBytes);
    PutUnsigned(out, uint8_t(result.end), 1);
    PutUnsigned(out, crc32(0, reinterpret_cast<const Bytef*>(out.data()), uInt(out.size())), kCrcBytes);
    return out;
}

bool TReplay::Decode(const std::string& bytes, TReplay& out, std::string& error) {
    if (bytes.size() > size_t(kMaxReplayFileBytes)) return Refuse(error, "file too large");
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
    Reader in(data, bytes.size());
    if (bytes.size() < kMagicBytes || std::memcmp(data, kMagic, kMagicBytes) != 0) return Refuse(error, "not a replay file");
    in.Skip(kMagicBytes);
    uint64_t value = 0;
    if (!in.Unsigned(value, kVersionBytes)) return Refuse(error, "header truncated");
    if (value != uint64_t(kReplayFormatVersion)) return Refuse(error, "another format version");
    out.formatVersion = int(value);
    if (!in.Text(out.gameVersion) || !in.Text(out.identity) || !in.Text(out.playerName) || !in.Text(out.date))
        return Refuse(error, "header text truncated or too long");
    if (!in.Unsigned(value, kWordBytes)) return Refuse(error, "header truncated");
    out.seed = uint32_t(value);

    uint64_t rawSize = 0, compressedSize = 0;
    if (!in.Unsigned(rawSize, kWordBytes) || !in.Unsigned(compressedSize, kWordBytes)) return Refuse(error, "block sizes truncated");
    if (rawSize > kMaxBlockBytes) return Refuse(error, "steps block too large");
    if (compressedSize > in.Left()) return Refuse(error, "steps block truncated");
    const size_t blockAt = in.At();
    in.Skip(size_t(compressedSize));
    if (in.Left() < kResultBytes + kCrcBytes) return Refuse(error, "result truncated");
    if (in.Left() > kResultBytes + kCrcBytes) return Refuse(error, "trailing bytes");
    const size_t crcAt = in.At() + kResultBytes;
    uint64_t stored = 0;
    Reader crcIn(data + crcAt, kCrcBytes);
    crcIn.Unsigned(stored, kCrcBytes);
    if (crc32(0, data, uInt(crcAt)) != stored) return Refuse(error, "checksum mismatch");

    uint64_t points = 0, kills = 0, stage = 0, steps = 0, end = 0;
    in.Unsigned(points, kLongBytes);
    in.Unsigned(kills, kWordBytes);
    in.Unsigned(stage, kWordBytes);
    in.Unsigned(steps, kWordBytes);
    in.Unsigned(end, 1);
    out.result.points = int64_t(points);
    out.result.kills = int32_t(uint32_t(kills));
    out.result.stage = int32_t(uint32_t(stage));
    out.result.steps = int32_t(uint32_t(steps));
    if (end > uint64_t(TReplayEnd::Quit)) return Refuse(error, "unknown end of game");
    out.result.end = TReplayEnd(end);

    std::string raw;
    if (!Inflate(data + blockAt, size_t(compressedSize), size_t(rawSize), raw))
        return Refuse(error, "steps block damaged or not of its declared size");
    Reader block(reinterpret_cast<const unsigned char*>(raw.data()), raw.size());
    uint64_t count = 0;
    if (!block.Unsigned(count, kWordBytes)) return Refuse(error, "steps truncated");
    if (count > uint64_t(kMaxReplaySteps)) return Refuse(error, "too many steps");
    // Every step takes at least its flags byte.
    if (count > block.Left()) return Refuse(error, "steps truncated");
    out.steps.assign(size_t(count), TControls());
    TControls step;
    for (TControls& each : out.steps) {
        const char* refused = ReadStep(block, step);
        if (*refused) return Refuse(error, refused);
        each = step;
    }
    if (!block.Unsigned(count, kWordBytes)) return Refuse(error, "checkpoints truncated");
    if (count != uint64_t(ReplayCheckpoints(out.steps.size()))) return Refuse(error, "checkpoints do not match the steps");
    if (block.Left() != count * kLongBytes) return Refuse(error, "checkpoints not of their declared size");
    out.checkpoints.assign(size_t(count), 0);
    for (uint64_t& hash : out.checkpoints) block.Unsigned(hash, kLongBytes);
    if (uint64_t(out.result.steps) != out.steps.size()) return Refuse(error, "result does not match the steps");
    error.clear();
    return true;
}
