#include "wav_file_io.h"

#include "render_error.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
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
    if (format.tag != kFormatPcm && format.tag != kFormatFloat)
        throw RenderError("'" + name + "': unsupported WAVE encoding (format tag " + std::to_string(format.tag) +
                          "); use PCM or 32-bit float");
    if (format.channels < 1)
        throw RenderError("'" + name + "': WAVE header declares no channels");
    if (format.sampleRate < 1 || format.sampleRate > static_cast<std::uint32_t>(std::numeric_limits<int>::max()))
        throw RenderError("'" + name + "': WAVE header declares an invalid sample rate");
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

} // namespace

AudioData WavFileIO::decode(const std::vector<std::uint8_t>& bytes, const std::string& name)
{
    if (bytes.size() < 12 || std::memcmp(bytes.data(), "RIFF", 4) != 0 || std::memcmp(bytes.data() + 8, "WAVE", 4) != 0)
        throw RenderError("'" + name + "' is not a RIFF/WAVE file");

    std::optional<Format> format;
    const std::uint8_t* data = nullptr;
    std::size_t dataSize = 0;

    std::size_t offset = 12;
    while (offset + 8 <= bytes.size()) {
        const std::uint8_t* header = bytes.data() + offset;
        const std::uint32_t chunkSize = readU32(header + 4);
        const std::size_t bodyOffset = offset + 8;
        const std::size_t available = bytes.size() - bodyOffset;

        if (std::memcmp(header, "fmt ", 4) == 0) {
            if (chunkSize > available)
                throw RenderError("'" + name + "': fmt chunk is truncated");
            format = parseFormat(bytes.data() + bodyOffset, chunkSize, name);
        } else if (std::memcmp(header, "data", 4) == 0) {
            // Writers that stream often leave the size unset; take what is there.
            data = bytes.data() + bodyOffset;
            dataSize = chunkSize > available ? available : chunkSize;
            if (format)
                break;
        }
        if (chunkSize > available)
            break;
        offset = bodyOffset + chunkSize + (chunkSize & 1u);
    }

    if (!format)
        throw RenderError("'" + name + "': WAVE file has no fmt chunk");
    if (!data)
        throw RenderError("'" + name + "': WAVE file has no data chunk");

    AudioData audio;
    audio.sampleRate = static_cast<int>(format->sampleRate);
    const std::size_t frames = dataSize / static_cast<std::size_t>(format->blockAlign);
    const int bytesPerSample = format->bits / 8;
    audio.channels.assign(static_cast<std::size_t>(format->channels), std::vector<float>(frames));
    for (std::size_t frame = 0; frame < frames; ++frame) {
        const std::uint8_t* p = data + frame * static_cast<std::size_t>(format->blockAlign);
        for (int channel = 0; channel < format->channels; ++channel)
            audio.channels[static_cast<std::size_t>(channel)][frame] = decodeSample(p + channel * bytesPerSample, *format);
    }
    return audio;
}

std::vector<std::uint8_t> WavFileIO::encodeFloat(const AudioData& audio)
{
    const int channelCount = audio.channelCount();
    if (channelCount < 1 || channelCount > 0xFFFF)
        throw RenderError("cannot write a WAV file with " + std::to_string(channelCount) + " channels");
    if (audio.sampleRate < 1)
        throw RenderError("cannot write a WAV file with a sample rate of " + std::to_string(audio.sampleRate));
    const std::size_t frames = audio.frames();
    const std::uint64_t blockAlign = 4ull * static_cast<std::uint64_t>(channelCount);
    const std::uint64_t dataBytes = blockAlign * frames;
    constexpr std::uint64_t kHeaderBytes = 12 + 8 + 18 + 8 + 4 + 8;
    if (dataBytes + kHeaderBytes - 8 > 0xFFFFFFFFull)
        throw RenderError("output is too long for a WAV file (4 GiB limit)");

    std::vector<std::uint8_t> out;
    out.reserve(static_cast<std::size_t>(kHeaderBytes + dataBytes));
    putTag(out, "RIFF");
    putU32(out, static_cast<std::uint32_t>(kHeaderBytes - 8 + dataBytes));
    putTag(out, "WAVE");

    // Non-PCM formats carry cbSize and a fact chunk.
    putTag(out, "fmt ");
    putU32(out, 18);
    putU16(out, kFormatFloat);
    putU16(out, static_cast<std::uint16_t>(channelCount));
    putU32(out, static_cast<std::uint32_t>(audio.sampleRate));
    putU32(out, static_cast<std::uint32_t>(static_cast<std::uint64_t>(audio.sampleRate) * blockAlign));
    putU16(out, static_cast<std::uint16_t>(blockAlign));
    putU16(out, 32);
    putU16(out, 0);

    putTag(out, "fact");
    putU32(out, 4);
    putU32(out, static_cast<std::uint32_t>(frames));

    putTag(out, "data");
    putU32(out, static_cast<std::uint32_t>(dataBytes));
    for (std::size_t frame = 0; frame < frames; ++frame) {
        for (const auto& channel : audio.channels) {
            std::uint32_t bits;
            std::memcpy(&bits, &channel[frame], sizeof bits);
            putU32(out, bits);
        }
    }
    return out;
}

AudioData WavFileIO::read(const std::string& path) const
{
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file)
        throw RenderError("cannot open '" + path + "': " + std::strerror(errno));
    std::vector<std::uint8_t> bytes;
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

void WavFileIO::writeFloatWav(const std::string& path, const AudioData& audio) const
{
    const std::vector<std::uint8_t> bytes = encodeFloat(audio);
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file)
        throw RenderError("cannot create '" + path + "': " + std::strerror(errno));
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    const bool closed = std::fclose(file) == 0;
    if (!written || !closed) {
        std::remove(path.c_str());
        throw RenderError("cannot write '" + path + "'");
    }
}

} // namespace quelt::render
