// The built-in RIFF/WAVE reader and writer, on hand-made files and, where the
// build has libsndfile, against libsndfile in both directions.
#include "render/render_error.h"
#include "render/wav_file_io.h"
#include "support/render_test_support.h"

#if QUELT_RENDER_HAVE_SNDFILE
#include "render/sndfile_io.h"
#include <sndfile.h>
#endif

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

namespace {

using namespace quelt::render;
using quelt::test::rampSignal;
using quelt::test::scratchFile;
using Bytes = std::vector<std::uint8_t>;

void put16(Bytes& b, unsigned v)
{
    b.push_back(static_cast<std::uint8_t>(v & 0xFF));
    b.push_back(static_cast<std::uint8_t>((v >> 8) & 0xFF));
}

void put32(Bytes& b, std::uint32_t v)
{
    put16(b, v & 0xFFFF);
    put16(b, v >> 16);
}

void putChunk(Bytes& b, const char* id, const Bytes& body, std::uint32_t declaredSize = 0xFFFFFFFFu)
{
    b.insert(b.end(), id, id + 4);
    put32(b, declaredSize == 0xFFFFFFFFu ? static_cast<std::uint32_t>(body.size()) : declaredSize);
    b.insert(b.end(), body.begin(), body.end());
    if (body.size() % 2)
        b.push_back(0);
}

Bytes fmtBody(unsigned tag, unsigned channels, std::uint32_t rate, unsigned bits, unsigned blockAlign = 0)
{
    Bytes f;
    const unsigned align = blockAlign ? blockAlign : channels * bits / 8;
    put16(f, tag);
    put16(f, channels);
    put32(f, rate);
    put32(f, rate * align);
    put16(f, align);
    put16(f, bits);
    return f;
}

Bytes extensibleFmtBody(unsigned subTag, unsigned channels, std::uint32_t rate, unsigned bits)
{
    Bytes f = fmtBody(0xFFFE, channels, rate, bits);
    put16(f, 22);            // cbSize
    put16(f, bits);          // valid bits
    put32(f, 0x3);           // channel mask
    put16(f, subTag);        // sub-format GUID
    const std::uint8_t tail[14] = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};
    f.insert(f.end(), tail, tail + 14);
    return f;
}

Bytes riff(const std::vector<std::pair<const char*, Bytes>>& chunks)
{
    Bytes body = {'W', 'A', 'V', 'E'};
    for (const auto& [id, content] : chunks)
        putChunk(body, id, content);
    Bytes file = {'R', 'I', 'F', 'F'};
    put32(file, static_cast<std::uint32_t>(body.size()));
    file.insert(file.end(), body.begin(), body.end());
    return file;
}

void expectDecodeError(const Bytes& bytes, const std::string& mention)
{
    try {
        WavFileIO::decode(bytes, "case.wav");
        ADD_FAILURE() << "decoded a file that should be refused (" << mention << ")";
    } catch (const RenderError& e) {
        EXPECT_NE(std::string(e.what()).find(mention), std::string::npos) << e.what();
        EXPECT_NE(std::string(e.what()).find("case.wav"), std::string::npos) << e.what();
    }
}

void expectSameAudio(const AudioData& a, const AudioData& b)
{
    ASSERT_EQ(a.sampleRate, b.sampleRate);
    ASSERT_EQ(a.channelCount(), b.channelCount());
    ASSERT_EQ(a.frames(), b.frames());
    for (std::size_t c = 0; c < a.channels.size(); ++c)
        for (std::size_t n = 0; n < a.frames(); ++n)
            ASSERT_EQ(std::memcmp(&a.channels[c][n], &b.channels[c][n], sizeof(float)), 0)
                << "channel " << c << " frame " << n << ": " << a.channels[c][n] << " vs " << b.channels[c][n];
}

AudioData edgeValues()
{
    AudioData audio;
    audio.sampleRate = 96000;
    audio.channels = {{0.0f, -0.0f, 1.0f, -1.0f, 1.5f, std::numeric_limits<float>::denorm_min(), 1e-30f, 0.123456789f},
                      {-1.0f, 0.5f, -0.25f, 3.0f, -7.5f, 0.999999940395f, -1e-7f, 2.0f}};
    return audio;
}

TEST(WavWriter, HeaderDescribesAFloatFile)
{
    const AudioData audio = rampSignal(48000, 3, 2);
    const Bytes b = WavFileIO::encodeFloat(audio);
    const auto u16 = [&](std::size_t at) { return static_cast<unsigned>(b[at] | (b[at + 1] << 8)); };
    const auto u32 = [&](std::size_t at) { return static_cast<std::uint32_t>(u16(at) | (u16(at + 2) << 16)); };
    ASSERT_EQ(b.size(), 58u + 3 * 2 * 4);
    EXPECT_EQ(std::string(b.begin(), b.begin() + 4), "RIFF");
    EXPECT_EQ(u32(4), b.size() - 8);
    EXPECT_EQ(std::string(b.begin() + 8, b.begin() + 16), "WAVEfmt ");
    EXPECT_EQ(u32(16), 18u);
    EXPECT_EQ(u16(20), 3u);           // IEEE float
    EXPECT_EQ(u16(22), 2u);           // channels
    EXPECT_EQ(u32(24), 48000u);       // rate
    EXPECT_EQ(u32(28), 48000u * 8);   // bytes per second
    EXPECT_EQ(u16(32), 8u);           // block align
    EXPECT_EQ(u16(34), 32u);          // bits
    EXPECT_EQ(std::string(b.begin() + 38, b.begin() + 42), "fact");
    EXPECT_EQ(u32(46), 3u);           // frames
    EXPECT_EQ(std::string(b.begin() + 50, b.begin() + 54), "data");
    EXPECT_EQ(u32(54), 24u);
    // Interleaved: frame 0 left, frame 0 right, frame 1 left...
    float first, second;
    std::memcpy(&first, &b[58], 4);
    std::memcpy(&second, &b[62], 4);
    EXPECT_EQ(first, audio.channels[0][0]);
    EXPECT_EQ(second, audio.channels[1][0]);
}

TEST(WavWriter, RefusesWhatAWavFileCannotHold)
{
    AudioData none;
    none.sampleRate = 44100;
    EXPECT_THROW(WavFileIO::encodeFloat(none), RenderError);
    AudioData noRate = rampSignal(1, 4, 2);
    noRate.sampleRate = 0;
    EXPECT_THROW(WavFileIO::encodeFloat(noRate), RenderError);
}

std::uint64_t u64At(const Bytes& b, std::size_t at, int bytes = 8)
{
    std::uint64_t value = 0;
    for (int i = bytes - 1; i >= 0; --i)
        value = value << 8 | b[at + static_cast<std::size_t>(i)];
    return value;
}

TEST(WavWriter, DataPastTheRiffLimitGoesIntoRf64)
{
    const std::uint64_t longestRiff = kMaxRiffDataBytes / 8;  // stereo frames
    for (const std::uint64_t frames : {longestRiff, longestRiff + 1, std::uint64_t{600000000}}) {
        SCOPED_TRACE(frames);  // the last: 1562.5 s at 384 kHz, 4.8 GB
        const Bytes h = WavFileIO::floatHeader(384000, 2, frames);
        const bool rf64 = frames > longestRiff;
        const std::size_t fmt = rf64 ? 48 : 12;  // after RF64's ds64 chunk
        ASSERT_EQ(h.size(), fmt + 46);
        EXPECT_EQ(std::string(h.begin(), h.begin() + 4), rf64 ? "RF64" : "RIFF");
        EXPECT_EQ(u64At(h, 4, 4), rf64 ? 0xFFFFFFFFu : h.size() - 8 + frames * 8);
        EXPECT_EQ(u64At(h, fmt + 42, 4), rf64 ? 0xFFFFFFFFu : frames * 8);  // data chunk size
        // The same fmt chunk as a short file.
        const Bytes plain = WavFileIO::floatHeader(384000, 2, 1);
        EXPECT_TRUE(std::equal(plain.begin() + 12, plain.begin() + 38, h.begin() + static_cast<std::ptrdiff_t>(fmt)));
        if (rf64) {
            EXPECT_EQ(std::string(h.begin() + 12, h.begin() + 20), std::string("ds64\x1c\0\0\0", 8));
            EXPECT_EQ(u64At(h, 20), h.size() - 8 + frames * 8);  // RIFF size
            EXPECT_EQ(u64At(h, 28), frames * 8);                 // data size
            EXPECT_EQ(u64At(h, 36), frames);                     // sample count
        }
    }
}

TEST(WavRoundTrip, FloatSamplesSurviveBitForBit)
{
    for (int channels : {1, 2, 3}) {
        const AudioData audio = rampSignal(22050, 1001, channels);
        expectSameAudio(WavFileIO::decode(WavFileIO::encodeFloat(audio), "x"), audio);
    }
    expectSameAudio(WavFileIO::decode(WavFileIO::encodeFloat(edgeValues()), "x"), edgeValues());
}

TEST(WavRoundTrip, ThroughAFile)
{
    const std::string path = scratchFile("roundtrip.wav");
    const AudioData audio = rampSignal(44100, 12345, 2);
    WavFileIO().writeFloatWav(path, audio);
    expectSameAudio(WavFileIO().read(path), audio);

    // Written block by block, the file is the encoding made in one piece.
    const AudioData longer = rampSignal(44100, 40000, 2);
    WavFileIO().writeFloatWav(path, longer);
    const Bytes whole = WavFileIO::encodeFloat(longer);
    EXPECT_EQ(quelt::test::readText(path), std::string(whole.begin(), whole.end()));
}

TEST(WavRoundTrip, Rf64DataEndsWhereDs64Says)
{
    const AudioData audio = rampSignal(48000, 3000, 2);
    Bytes rf64 = WavFileIO::encodeFloat(audio, 1000);
    putChunk(rf64, "LIST", Bytes(16, 0x7F));  // not audio
    expectSameAudio(WavFileIO::decode(rf64, "x"), audio);
    expectDecodeError(Bytes(rf64.begin(), rf64.begin() + 30), "ds64 chunk is too short");
}

TEST(WavRoundTrip, FileErrorsNameTheFile)
{
    try {
        WavFileIO().read("no-such-dir/none.wav");
        ADD_FAILURE() << "read a missing file";
    } catch (const RenderError& e) {
        EXPECT_NE(std::string(e.what()).find("cannot open 'no-such-dir/none.wav'"), std::string::npos) << e.what();
    }
    try {
        WavFileIO().writeFloatWav("no-such-dir/out.wav", rampSignal(8000, 10));
        ADD_FAILURE() << "wrote into a missing directory";
    } catch (const RenderError& e) {
        EXPECT_NE(std::string(e.what()).find("cannot create 'no-such-dir/out.wav'"), std::string::npos) << e.what();
    }
}

TEST(WavReader, IntegerPcmScalesByPowersOfTwo)
{
    Bytes d8 = {0, 64, 128, 255};
    AudioData a8 = WavFileIO::decode(riff({{"fmt ", fmtBody(1, 1, 8000, 8)}, {"data", d8}}), "x");
    EXPECT_EQ(a8.channels[0], (std::vector<float>{-1.0f, -0.5f, 0.0f, 127.0f / 128.0f}));

    Bytes d16;
    for (int v : {0, 1, -1, 32767, -32768, 16384})
        put16(d16, static_cast<unsigned>(v) & 0xFFFF);
    AudioData a16 = WavFileIO::decode(riff({{"fmt ", fmtBody(1, 2, 44100, 16)}, {"data", d16}}), "x");
    EXPECT_EQ(a16.sampleRate, 44100);
    EXPECT_EQ(a16.channels[0], (std::vector<float>{0.0f, -1.0f / 32768, -1.0f}));
    EXPECT_EQ(a16.channels[1], (std::vector<float>{1.0f / 32768, 32767.0f / 32768, 0.5f}));

    Bytes d24;
    for (std::int32_t v : {0x7FFFFF, -0x800000, 1, -1, 0x400000, 0}) {
        const auto u = static_cast<std::uint32_t>(v);
        d24.push_back(static_cast<std::uint8_t>(u & 0xFF));
        d24.push_back(static_cast<std::uint8_t>((u >> 8) & 0xFF));
        d24.push_back(static_cast<std::uint8_t>((u >> 16) & 0xFF));
    }
    AudioData a24 = WavFileIO::decode(riff({{"fmt ", fmtBody(1, 3, 96000, 24)}, {"data", d24}}), "x");
    ASSERT_EQ(a24.channelCount(), 3);
    ASSERT_EQ(a24.frames(), 2u);
    EXPECT_EQ(a24.channels[0][0], static_cast<float>(8388607.0 / 8388608.0));
    EXPECT_EQ(a24.channels[1][0], -1.0f);
    EXPECT_EQ(a24.channels[2][0], 1.0f / 8388608);
    EXPECT_EQ(a24.channels[0][1], -1.0f / 8388608);
    EXPECT_EQ(a24.channels[1][1], 0.5f);

    Bytes d32;
    for (std::int32_t v : {std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max(), 256, -3})
        put32(d32, static_cast<std::uint32_t>(v));
    AudioData a32 = WavFileIO::decode(riff({{"fmt ", fmtBody(1, 1, 48000, 32)}, {"data", d32}}), "x");
    EXPECT_EQ(a32.channels[0], (std::vector<float>{-1.0f, 1.0f, 256.0f / 2147483648.0f, -3.0f / 2147483648.0f}));
}

TEST(WavReader, FloatFormatsAndExtensibleHeaders)
{
    Bytes d64;
    for (double v : {0.25, -1.0, 1.0 / 3.0}) {
        std::uint64_t bits;
        std::memcpy(&bits, &v, 8);
        put32(d64, static_cast<std::uint32_t>(bits));
        put32(d64, static_cast<std::uint32_t>(bits >> 32));
    }
    AudioData f64 = WavFileIO::decode(riff({{"fmt ", fmtBody(3, 1, 32000, 64)}, {"data", d64}}), "x");
    EXPECT_EQ(f64.channels[0], (std::vector<float>{0.25f, -1.0f, static_cast<float>(1.0 / 3.0)}));

    Bytes d16;
    put16(d16, 0x4000);
    put16(d16, 0xC000);
    AudioData ext = WavFileIO::decode(riff({{"fmt ", extensibleFmtBody(1, 2, 44100, 16)}, {"data", d16}}), "x");
    EXPECT_EQ(ext.channels[0], std::vector<float>{0.5f});
    EXPECT_EQ(ext.channels[1], std::vector<float>{-0.5f});

    Bytes f32;
    const float value = -0.75f;
    std::uint32_t bits;
    std::memcpy(&bits, &value, 4);
    put32(f32, bits);
    put32(f32, bits);
    AudioData extFloat = WavFileIO::decode(riff({{"fmt ", extensibleFmtBody(3, 2, 44100, 32)}, {"data", f32}}), "x");
    EXPECT_EQ(extFloat.channels[1], std::vector<float>{-0.75f});
}

TEST(WavReader, SkipsForeignAndOddSizedChunks)
{
    Bytes d16;
    for (unsigned v : {0x0100u, 0x0200u, 0x0300u})
        put16(d16, v);
    const Bytes file = riff({{"LIST", Bytes{'a', 'b', 'c'}},  // odd size, padded
                             {"fmt ", fmtBody(1, 1, 11025, 16)},
                             {"JUNK", Bytes(7, 0xEE)},
                             {"data", d16},
                             {"smpl", Bytes(4, 0)}});
    const AudioData audio = WavFileIO::decode(file, "x");
    EXPECT_EQ(audio.sampleRate, 11025);
    EXPECT_EQ(audio.channels[0], (std::vector<float>{256.0f / 32768, 512.0f / 32768, 768.0f / 32768}));
}

TEST(WavReader, DataSizeLargerThanTheFileTakesWholeFrames)
{
    Bytes file = riff({{"fmt ", fmtBody(1, 2, 44100, 16)}});
    Bytes data;
    for (unsigned v = 1; v <= 5; ++v)  // two whole stereo frames and half of a third
        put16(data, v);
    putChunk(file, "data", data, 0xFFFFFFF0u);
    const AudioData audio = WavFileIO::decode(file, "x");
    EXPECT_EQ(audio.frames(), 2u);
    EXPECT_EQ(audio.channels[1][1], 4.0f / 32768);
}

TEST(WavReader, MalformedFilesAreRefusedWithAReason)
{
    const Bytes pcm = {0, 0, 0, 0};
    expectDecodeError({}, "is not a RIFF/WAVE file");
    expectDecodeError(Bytes{'h', 'e', 'l', 'l', 'o', ' ', 'w', 'o', 'r', 'l', 'd', '\n', 'x'}, "is not a RIFF/WAVE file");
    Bytes avi = riff({{"data", pcm}});
    std::memcpy(&avi[8], "AVI ", 4);
    expectDecodeError(avi, "is not a RIFF/WAVE file");
    expectDecodeError(riff({{"data", pcm}}), "no fmt chunk");
    expectDecodeError(riff({{"fmt ", fmtBody(1, 2, 44100, 16)}}), "no data chunk");
    expectDecodeError(riff({{"fmt ", fmtBody(2, 2, 44100, 4, 2)}, {"data", pcm}}), "unsupported WAVE encoding");
    expectDecodeError(riff({{"fmt ", fmtBody(1, 2, 44100, 12, 4)}, {"data", pcm}}), "unsupported sample size of 12 bits");
    expectDecodeError(riff({{"fmt ", fmtBody(3, 1, 44100, 16)}, {"data", pcm}}), "unsupported sample size");
    expectDecodeError(riff({{"fmt ", fmtBody(1, 2, 44100, 16, 6)}, {"data", pcm}}), "inconsistent block size");
    expectDecodeError(riff({{"fmt ", fmtBody(1, 0, 44100, 16, 2)}, {"data", pcm}}), "no channels");
    expectDecodeError(riff({{"fmt ", fmtBody(1, 1, 0, 16)}, {"data", pcm}}), "invalid sample rate");
    expectDecodeError(riff({{"fmt ", Bytes(10, 0)}, {"data", pcm}}), "fmt chunk is too short");
    Bytes badGuid = extensibleFmtBody(1, 2, 44100, 16);
    badGuid.back() ^= 0xFF;
    expectDecodeError(riff({{"fmt ", badGuid}, {"data", pcm}}), "unsupported WAVE sub-format");
    Bytes cut = riff({{"fmt ", fmtBody(1, 1, 44100, 16)}});
    cut.resize(cut.size() - 6);
    expectDecodeError(cut, "fmt chunk is truncated");
}

#if QUELT_RENDER_HAVE_SNDFILE

// Writes `audio` with libsndfile itself in the given format.
void writeWithLibsndfile(const std::string& path, const AudioData& audio, int format)
{
    SF_INFO info{};
    info.samplerate = audio.sampleRate;
    info.channels = audio.channelCount();
    info.format = format;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    ASSERT_NE(file, nullptr) << sf_strerror(nullptr);
    std::vector<float> interleaved;
    for (std::size_t n = 0; n < audio.frames(); ++n)
        for (const auto& channel : audio.channels)
            interleaved.push_back(channel[n]);
    EXPECT_EQ(sf_writef_float(file, interleaved.data(), static_cast<sf_count_t>(audio.frames())),
              static_cast<sf_count_t>(audio.frames()));
    sf_close(file);
}

TEST(WavAgainstLibsndfile, LibsndfileReadsTheBuiltInWriterExactly)
{
    const std::string path = scratchFile("builtin.wav");
    for (const AudioData& audio : {rampSignal(48000, 4097, 2), rampSignal(8000, 3, 1), edgeValues()}) {
        WavFileIO().writeFloatWav(path, audio);
        expectSameAudio(SndfileIO().read(path), audio);
    }
}

TEST(WavAgainstLibsndfile, BuiltInReaderMatchesLibsndfileOnEveryInputFormat)
{
    const AudioData audio = rampSignal(44100, 2000, 2);
    const struct
    {
        const char* name;
        int format;
    } formats[] = {
        {"pcm8", SF_FORMAT_WAV | SF_FORMAT_PCM_U8},     {"pcm16", SF_FORMAT_WAV | SF_FORMAT_PCM_16},
        {"pcm24", SF_FORMAT_WAV | SF_FORMAT_PCM_24},    {"pcm32", SF_FORMAT_WAV | SF_FORMAT_PCM_32},
        {"float", SF_FORMAT_WAV | SF_FORMAT_FLOAT},     {"double", SF_FORMAT_WAV | SF_FORMAT_DOUBLE},
        {"ext16", SF_FORMAT_WAVEX | SF_FORMAT_PCM_16},  {"ext24", SF_FORMAT_WAVEX | SF_FORMAT_PCM_24},
        {"extfloat", SF_FORMAT_WAVEX | SF_FORMAT_FLOAT},
    };
    for (const auto& f : formats) {
        SCOPED_TRACE(f.name);
        const std::string path = scratchFile(std::string(f.name) + ".wav");
        writeWithLibsndfile(path, audio, f.format);
        const AudioData reference = SndfileIO().read(path);
        ASSERT_EQ(reference.frames(), audio.frames());
        expectSameAudio(WavFileIO().read(path), reference);
    }
}

int libsndfileFormat(const std::string& path, sf_count_t* frames = nullptr)
{
    SF_INFO info{};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    if (!file)
        return 0;
    sf_close(file);
    if (frames)
        *frames = info.frames;
    return info.format;
}

TEST(WavAgainstLibsndfile, LibsndfileReadsTheRf64HeaderOfAHugeRender)
{
    // The header of 600 million stereo frames (4.8 GB) on the first thousand.
    const std::string path = scratchFile("huge-start.wav");
    const AudioData start = rampSignal(384000, 1000, 2);
    Bytes file = WavFileIO::floatHeader(384000, 2, 600000000);
    const Bytes samples = WavFileIO::encodeFloat(start);
    file.insert(file.end(), samples.begin() + 58, samples.end());
    quelt::test::writeBytes(path, file);
    EXPECT_EQ(libsndfileFormat(path), SF_FORMAT_RF64 | SF_FORMAT_FLOAT);
    expectSameAudio(SndfileIO().read(path), start);
    expectSameAudio(WavFileIO().read(path), start);
}

TEST(WavAgainstLibsndfile, BothWritersTurnToRf64PastTheSameSize)
{
    const AudioData audio = rampSignal(48000, 3000, 2);  // 24000 bytes of samples
    const std::string path = scratchFile("limit.wav");
    for (const std::uint64_t limit : {23999u, 24000u}) {
        const WavFileIO builtIn(limit);
        const SndfileIO sndfile(limit);
        for (const AudioFileIO* writer : {static_cast<const AudioFileIO*>(&builtIn), static_cast<const AudioFileIO*>(&sndfile)}) {
            SCOPED_TRACE(std::to_string(limit) + (writer == &builtIn ? " built-in" : " libsndfile"));
            writer->writeFloatWav(path, audio);
            sf_count_t frames = 0;
            EXPECT_EQ(libsndfileFormat(path, &frames), (limit < 24000 ? SF_FORMAT_RF64 : SF_FORMAT_WAV) | SF_FORMAT_FLOAT);
            EXPECT_EQ(frames, 3000);
            expectSameAudio(WavFileIO().read(path), audio);
        }
    }
}

TEST(WavAgainstLibsndfile, SmallFilesAreTheWavFilesLibsndfileAlwaysWrote)
{
    const AudioData audio = rampSignal(44100, 5000, 2);
    const std::string ours = scratchFile("ours.wav"), plain = scratchFile("plain.wav");
    SndfileIO().writeFloatWav(ours, audio);
    writeWithLibsndfile(plain, audio, SF_FORMAT_WAV | SF_FORMAT_FLOAT);
    std::string a = quelt::test::readText(ours), b = quelt::test::readText(plain);
    for (std::string* text : {&a, &b})  // the PEAK chunk's time of writing
        text->replace(text->find("PEAK") + 12, 4, 4, '\0');
    EXPECT_EQ(a, b);
}

TEST(WavAgainstLibsndfile, SndfileIORoundTripAndErrors)
{
    const std::string path = scratchFile("sndfile.wav");
    const AudioData audio = rampSignal(96000, 10000, 2);
    SndfileIO().writeFloatWav(path, audio);
    expectSameAudio(SndfileIO().read(path), audio);
    expectSameAudio(WavFileIO().read(path), audio);

    EXPECT_THROW(SndfileIO().read("no-such-dir/none.wav"), RenderError);
    EXPECT_THROW(SndfileIO().writeFloatWav("no-such-dir/out.wav", audio), RenderError);
}

#endif

} // namespace
