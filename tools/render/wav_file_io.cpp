#include "wav_file_io.h"

#include "render_error.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <limits>
#include <optional>

namespace quelt::render {

namespace {

constexpr std::uint16_t kFormatPcm = 1;
constexpr std::uint16_t kFormatFloat = 3;
constexpr std::uint16_t kFormatExtensible = 0xFFFE;

// Tail of the KSDATAFORMAT_SUBTYPE GUIDs; the first two bytes hold the format tag.
constexpr std::uint8_t kSubformatTail[14] = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80,
                                             0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};

std::uint16_t readU16(const std::uint8_t* p)
{
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

std::uint32_t readU32(const std::uint8_t* p)
{
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

std::uint64_t readU64(const std::uint8_t* p)
{
    return static_cast<std::uint64_t>(readU32(p)) | (static_cast<std::uint64_t>(readU32(p + 4)) << 32);
}

void putU16(std::vector<std::uint8_t>& out, std::uint16_t v)
{
    out.push_back(static_cast<std::uint8_t>(v & 0xFF));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}

void putU32(std::vector<std::uint8_t>& out, std::uint32_t v)
{
    for (int shift = 0; shift < 32; shift += 8)
        out.push_back(static_cast<std::uint8_t>((v >> shift) & 0xFF));
}

void putU64(std::vector<std::uint8_t>& out, std::uint64_t v)
{
    putU32(out, static_cast<std::uint32_t>(v & 0xFFFFFFFFu));
    putU32(out, static_cast<std::uint32_t>(v >> 32));
}

void putTag(std::vector<std::uint8_t>& out, const char* tag)
{
    // Byte by byte: GCC 12 misreads a four-byte range insert as an overflow.
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<std::uint8_t>(tag[i]));
}

struct Format
{
    std::uint16_t tag = 0;
    int channels = 0;
    std::uint32_t sampleRate = 0;
    int blockAlign = 0;
    int bits = 0;
};

Format parseFormat(const std::uint8_t* p, std::uint32_t size, const std::string& name)
{
    if (size < 16)
        throw RenderError("'" + name + "': fmt chunk is too short");
    Format format;
    format.tag = readU16(p);
    format.channels = readU16(p + 2);
    format.sampleRate = readU32(p + 4);
    format.blockAlign = readU16(p + 12);
    format.bits = readU16(p + 14);

    if (format.tag == kFormatExtensible) {
        if (size < 40)
            throw RenderError("'" + name + "': extensible fmt chunk is too short");
        const std::uint8_t* guid = p + 24;
        if (std::memcmp(guid + 2, kSubformatTail, sizeof kSubformatTail) != 0)
            throw RenderError("'" + name + "': unsupported WAVE sub-format");
        format.tag = readU16(guid);
    }
    if (format.channels < 1)
        throw RenderError("'" + name + "': WAVE header declares no channels");
    if (format.sampleRate < 1 || format.sampleRate > static_cast<std::uint32_t>(std::numeric_limits<int>::max()))
        throw RenderError("'" + name + "': WAVE header declares an invalid sample rate (" +
                          std::to_string(format.sampleRate) + " Hz)");
    if (format.tag != kFormatPcm && format.tag != kFormatFloat)
        throw RenderError("'" + name + "': unsupported WAVE encoding (format tag " + std::to_string(format.tag) +
                          "); use PCM or 32-bit float");
    const bool pcmBitsOk =
        format.tag == kFormatPcm && (format.bits == 8 || format.bits == 16 || format.bits == 24 || format.bits == 32);
    const bool floatBitsOk = format.tag == kFormatFloat && (format.bits == 32 || format.bits == 64);
    if (!pcmBitsOk && !floatBitsOk)
        throw RenderError("'" + name + "': unsupported sample size of " + std::to_string(format.bits) + " bits");
    if (format.blockAlign != format.channels * (format.bits / 8))
        throw RenderError("'" + name + "': WAVE header has an inconsistent block size");
    return format;
}

float decodeSample(const std::uint8_t* p, const Format& format)
{
    if (format.tag == kFormatFloat) {
        if (format.bits == 32) {
            const std::uint32_t bits = readU32(p);
            float value;
            std::memcpy(&value, &bits, sizeof value);
            return value;
        }
        const std::uint64_t bits = static_cast<std::uint64_t>(readU32(p)) | (static_cast<std::uint64_t>(readU32(p + 4)) << 32);
        double value;
        std::memcpy(&value, &bits, sizeof value);
        return static_cast<float>(value);
    }
    // Full-scale integers map to [-1, 1) by a power of two, as libsndfile does.
    switch (format.bits) {
    case 8:
        return static_cast<float>((static_cast<int>(p[0]) - 128) / 128.0);
    case 16:
        return static_cast<float>(static_cast<std::int16_t>(readU16(p)) / 32768.0);
    case 24: {
        std::int32_t v = static_cast<std::int32_t>(p[0] | (p[1] << 8) | (p[2] << 16));
        if (v & 0x800000)
            v -= 0x1000000;
        return static_cast<float>(v / 8388608.0);
    }
    default:
        return static_cast<float>(static_cast<std::int32_t>(readU32(p)) / 2147483648.0);
    }
}

// Where the parts of a WAVE file are.
struct Layout
{
    std::optional<Format> format;
    const std::uint8_t* data = nullptr;
    std::size_t dataSize = 0;
};

bool hasTag(const std::uint8_t* p, const char* tag)
{
    return std::memcmp(p, tag, 4) == 0;
}

bool isRf64(const std::vector<std::uint8_t>& bytes)
{
    return bytes.size() >= 12 && hasTag(bytes.data(), "RF64") &&
           hasTag(bytes.data() + 8, "WAVE");
}

Layout parseLayout(const std::vector<std::uint8_t>& bytes, bool complete, const std::string& name)
{
    if (!WavFileIO::looksLikeWave(bytes))
        throw RenderError("'" + name + "' is not a RIFF/WAVE file");
    const bool rf64 = isRf64(bytes);

    Layout layout;
    std::optional<std::uint64_t> rf64DataSize;
    std::size_t offset = 12;
    while (offset + 8 <= bytes.size()) {
        const std::uint8_t* header = bytes.data() + offset;
        std::uint64_t chunkSize = readU32(header + 4);
        const std::size_t bodyOffset = offset + 8;
        const std::size_t available = bytes.size() - bodyOffset;

        if (rf64 && hasTag(header, "ds64")) {
            // RIFF size, data size, sample count: 64-bit sizes that stand for
            // the 32-bit ones set to 0xFFFFFFFF.
            if (chunkSize < 24 || available < 24)
                throw RenderError("'" + name + "': ds64 chunk is too short");
            rf64DataSize = readU64(header + 8 + 8);
        } else if (hasTag(header, "fmt ")) {
            if (chunkSize > available)
                throw RenderError("'" + name + "': fmt chunk is truncated");
            layout.format = parseFormat(bytes.data() + bodyOffset, static_cast<std::uint32_t>(chunkSize), name);
        } else if (hasTag(header, "data")) {
            if (rf64 && chunkSize == 0xFFFFFFFFu && rf64DataSize)
                chunkSize = *rf64DataSize;
            // Writers that stream often leave the size unset; take what is there.
            layout.data = bytes.data() + bodyOffset;
            layout.dataSize = chunkSize > available ? available : static_cast<std::size_t>(chunkSize);
            if (layout.format)
                break;
        }
        if (chunkSize > available)
            break;
        offset = bodyOffset + static_cast<std::size_t>(chunkSize) + static_cast<std::size_t>(chunkSize & 1u);
    }

    if (complete && !layout.format)
        throw RenderError("'" + name + "': WAVE file has no fmt chunk");
    if (complete && !layout.data)
        throw RenderError("'" + name + "': WAVE file has no data chunk");
    return layout;
}

constexpr std::size_t kPlainHeaderBytes = 12 + 8 + 18 + 8 + 4 + 8;
constexpr std::size_t kDs64ChunkBytes = 8 + 28;

// Interleaved 32-bit float samples of frames [first, first + count).
void putSamples(std::vector<std::uint8_t>& out, const AudioData& audio, std::size_t first, std::size_t count)
{
    for (std::size_t frame = first; frame < first + count; ++frame) {
        for (const auto& channel : audio.channels) {
            std::uint32_t bits;
            std::memcpy(&bits, &channel[frame], sizeof bits);
            putU32(out, bits);
        }
    }
}

} // namespace

bool WavFileIO::looksLikeWave(const std::vector<std::uint8_t>& start)
{
    return isRf64(start) ||
           (start.size() >= 12 && hasTag(start.data(), "RIFF") && hasTag(start.data() + 8, "WAVE"));
}

void WavFileIO::checkHeader(const std::vector<std::uint8_t>& start, bool complete, const std::string& name)
{
    parseLayout(start, complete, name);
}

AudioData WavFileIO::decode(const std::vector<std::uint8_t>& bytes, const std::string& name)
{
    const Layout layout = parseLayout(bytes, true, name);
    const Format& format = *layout.format;

    AudioData audio;
    audio.sampleRate = static_cast<int>(format.sampleRate);
    const std::size_t frames = layout.dataSize / static_cast<std::size_t>(format.blockAlign);
    const int bytesPerSample = format.bits / 8;
    audio.channels.assign(static_cast<std::size_t>(format.channels), std::vector<float>(frames));
    for (std::size_t frame = 0; frame < frames; ++frame) {
        const std::uint8_t* p = layout.data + frame * static_cast<std::size_t>(format.blockAlign);
        for (int channel = 0; channel < format.channels; ++channel)
            audio.channels[static_cast<std::size_t>(channel)][frame] = decodeSample(p + channel * bytesPerSample, format);
    }
    return audio;
}

std::vector<std::uint8_t> WavFileIO::floatHeader(int sampleRate, int channelCount, std::uint64_t frames,
                                                 std::uint64_t maxRiffDataBytes)
{
    if (channelCount < 1 || channelCount > 0xFFFF)
        throw RenderError("cannot write a WAV file with " + std::to_string(channelCount) + " channels");
    if (sampleRate < 1)
        throw RenderError("cannot write a WAV file with a sample rate of " + std::to_string(sampleRate));
    const std::uint64_t blockAlign = 4ull * static_cast<std::uint64_t>(channelCount);
    if (frames > (std::numeric_limits<std::uint64_t>::max() / 2) / blockAlign)
        throw RenderError("output is too long for a WAV file");
    const std::uint64_t dataBytes = blockAlign * frames;
    // The RIFF size counts everything after its own eight bytes.
    const bool rf64 = dataBytes > maxRiffDataBytes || dataBytes > 0xFFFFFFFFull - (kPlainHeaderBytes - 8);
    const std::uint64_t headerBytes = kPlainHeaderBytes + (rf64 ? kDs64ChunkBytes : 0);

    std::vector<std::uint8_t> out;
    out.reserve(headerBytes);
    if (rf64) {
        putTag(out, "RF64");
        putU32(out, 0xFFFFFFFFu);
        putTag(out, "WAVE");
        putTag(out, "ds64");
        putU32(out, 28);
        putU64(out, headerBytes - 8 + dataBytes);
        putU64(out, dataBytes);
        putU64(out, frames);
        putU32(out, 0);  // no table of further large chunks
    } else {
        putTag(out, "RIFF");
        putU32(out, static_cast<std::uint32_t>(headerBytes - 8 + dataBytes));
        putTag(out, "WAVE");
    }

    // Non-PCM formats carry cbSize and a fact chunk.
    putTag(out, "fmt ");
    putU32(out, 18);
    putU16(out, kFormatFloat);
    putU16(out, static_cast<std::uint16_t>(channelCount));
    putU32(out, static_cast<std::uint32_t>(sampleRate));
    putU32(out, static_cast<std::uint32_t>(static_cast<std::uint64_t>(sampleRate) * blockAlign));
    putU16(out, static_cast<std::uint16_t>(blockAlign));
    putU16(out, 32);
    putU16(out, 0);

    putTag(out, "fact");
    putU32(out, 4);
    putU32(out, frames > 0xFFFFFFFFull ? 0xFFFFFFFFu : static_cast<std::uint32_t>(frames));

    putTag(out, "data");
    putU32(out, rf64 ? 0xFFFFFFFFu : static_cast<std::uint32_t>(dataBytes));
    return out;
}

std::vector<std::uint8_t> WavFileIO::encodeFloat(const AudioData& audio, std::uint64_t maxRiffDataBytes)
{
    std::vector<std::uint8_t> out = floatHeader(audio.sampleRate, audio.channelCount(), audio.frames(), maxRiffDataBytes);
    out.reserve(out.size() + audio.frames() * 4 * audio.channels.size());
    putSamples(out, audio, 0, audio.frames());
    return out;
}

AudioData WavFileIO::read(const std::string& path) const
{
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file)
        throw RenderError("cannot open '" + path + "': " + std::strerror(errno));
    std::vector<std::uint8_t> bytes;
    std::error_code sizeUnknown;
    const std::uintmax_t size = std::filesystem::file_size(path, sizeUnknown);
    if (!sizeUnknown && size <= bytes.max_size())
        bytes.reserve(static_cast<std::size_t>(size));
    std::uint8_t buffer[65536];
    std::size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0)
        bytes.insert(bytes.end(), buffer, buffer + got);
    const bool failed = std::ferror(file) != 0;
    std::fclose(file);
    if (failed)
        throw RenderError("cannot read '" + path + "'");
    return decode(bytes, path);
}

void WavFileIO::writeFloatWav(const std::string& path, const AudioData& audio, const std::string& shownAs) const
{
    const std::vector<std::uint8_t> header =
        floatHeader(audio.sampleRate, audio.channelCount(), audio.frames(), m_maxRiffDataBytes);
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file)
        throw RenderError("cannot create '" + shownAs + "': " + std::strerror(errno));

    // In blocks, so a long render needs no second copy of itself in memory.
    constexpr std::size_t kBlockFrames = 16384;
    bool written = std::fwrite(header.data(), 1, header.size(), file) == header.size();
    std::vector<std::uint8_t> block;
    for (std::size_t frame = 0; written && frame < audio.frames(); frame += kBlockFrames) {
        block.clear();
        putSamples(block, audio, frame, std::min(kBlockFrames, audio.frames() - frame));
        written = std::fwrite(block.data(), 1, block.size(), file) == block.size();
    }
    const int writeError = written ? 0 : errno;
    const bool closed = std::fclose(file) == 0;
    if (!written || !closed) {
        const int error = written ? errno : writeError;
        std::remove(path.c_str());
        throw RenderError("cannot write '" + shownAs + "'" + (error ? std::string(": ") + std::strerror(error) : ""));
    }
}

} // namespace quelt::render
