#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "audio/WaveStorage.h"

namespace {

using Bytes = std::vector<uint8_t>;

uint32_t U32At(const Bytes& bytes, size_t offset) {
  uint32_t value;
  std::memcpy(&value, bytes.data() + offset, 4);
  return value;
}

std::string IdAt(const Bytes& bytes, size_t offset) {
  return std::string(reinterpret_cast<const char*>(bytes.data()) + offset, 4);
}

Bytes StreamBytes(TStream& stream) {
  Bytes bytes(static_cast<size_t>(stream.Size()));
  stream.SetPosition(0);
  stream.ReadBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
  return bytes;
}

void Append(Bytes& bytes, const std::string& text) { bytes.insert(bytes.end(), text.begin(), text.end()); }

void AppendU32(Bytes& bytes, uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

void AppendChunk(Bytes& bytes, const std::string& id, const Bytes& payload) {
  Append(bytes, id);
  AppendU32(bytes, static_cast<uint32_t>(payload.size()));
  bytes.insert(bytes.end(), payload.begin(), payload.end());
  if (payload.size() % 2) bytes.push_back(0);
}

Bytes PcmRecord(size_t size) {
  TWaveFormatEx format{};
  FillPcmFormat(format, Mono16bit8000Hz);
  Bytes record(size, 0);
  std::memcpy(record.data(), &format, std::min(size, sizeof format));
  return record;
}

// A WAV image built by hand, with the chunks in the order given.
Bytes Image(const std::vector<std::pair<std::string, Bytes>>& chunks) {
  Bytes body;
  Append(body, "WAVE");
  for (const auto& [id, payload] : chunks) AppendChunk(body, id, payload);
  Bytes image;
  Append(image, "RIFF");
  AppendU32(image, static_cast<uint32_t>(body.size()));
  image.insert(image.end(), body.begin(), body.end());
  return image;
}

void Load(TWaveStreamAdapter& wave, const Bytes& image) {
  TMemoryStream source;
  source.WriteBuffer(image.data(), static_cast<int64_t>(image.size()));
  source.SetPosition(0);
  wave.LoadFromStream(source);
}

void Record(TWave& wave, uint32_t audioBytes) {
  ASSERT_TRUE(wave.BeginRewritePCM(Mono16bit8000Hz));
  Bytes audio(audioBytes);
  for (size_t i = 0; i < audio.size(); ++i) audio[i] = static_cast<uint8_t>(i * 7);
  // Appended in device-buffer sized pieces, as the recorder does.
  for (size_t done = 0; done < audio.size(); done += 1600) {
    const int64_t count = static_cast<int64_t>(std::min<size_t>(1600, audio.size() - done));
    ASSERT_EQ(count, wave.Write(audio.data() + done, count));
  }
  ASSERT_TRUE(wave.EndRewrite());
}

}  // namespace

TEST(WaveLayout, EmptyRecordingIs46Bytes) {
  TWave wave;
  Record(wave, 0);
  const Bytes image = StreamBytes(wave.Stream());
  ASSERT_EQ(46u, image.size());
  EXPECT_EQ("RIFF", IdAt(image, 0));
  EXPECT_EQ(38u, U32At(image, 4));
  EXPECT_EQ("WAVE", IdAt(image, 8));
  EXPECT_EQ("fmt ", IdAt(image, 12));
  EXPECT_EQ(18u, U32At(image, 16));
  EXPECT_EQ("data", IdAt(image, 38));
  EXPECT_EQ(0u, U32At(image, 42));
  EXPECT_TRUE(wave.Valid());
  EXPECT_EQ(0u, wave.DataSize());
  EXPECT_EQ(46, wave.DataOffset());
  EXPECT_EQ(Mono16bit8000Hz, wave.PCMFormat());
}

TEST(WaveLayout, OneSecondRecordingHasTheHeaderSizes) {
  TWave wave;
  Record(wave, 16000);
  const Bytes image = StreamBytes(wave.Stream());
  ASSERT_EQ(16046u, image.size());
  EXPECT_EQ(38u + 16000u, U32At(image, 4));
  EXPECT_EQ(18u, U32At(image, 16));
  EXPECT_EQ(16000u, U32At(image, 42));
  EXPECT_EQ(0u, image[46]);
  EXPECT_EQ(7u, image[47]);
  EXPECT_EQ(16000u, wave.DataSize());
  EXPECT_EQ(1000u, wave.Length());
  ASSERT_NE(nullptr, wave.WaveFormat());
  EXPECT_EQ(16000u, wave.WaveFormat()->nAvgBytesPerSec);
}

TEST(WaveLayout, OddDataIsCountedWithItsPadByteButEndsWithoutIt) {
  TWave wave;
  ASSERT_TRUE(wave.BeginRewritePCM(Mono8Bit8000Hz));
  const uint8_t audio[3] = {1, 2, 3};
  ASSERT_EQ(3, wave.Write(audio, 3));
  ASSERT_TRUE(wave.EndRewrite());
  const Bytes image = StreamBytes(wave.Stream());
  ASSERT_EQ(49u, image.size());
  EXPECT_EQ(38u + 4u, U32At(image, 4));
  EXPECT_EQ(3u, U32At(image, 42));

  // The trimmed image still parses, also when loaded elsewhere.
  TWave copy;
  Load(copy, image);
  EXPECT_TRUE(copy.Valid());
  EXPECT_EQ(3u, copy.DataSize());
}

TEST(WaveLayout, ExtendedRecordIsWrittenWhole) {
  Bytes record(20, 0);
  TWaveFormatEx adpcm{0x11, 1, 8000, 4055, 256, 4, 2};
  std::memcpy(record.data(), &adpcm, sizeof adpcm);
  record[18] = 0xF9;  // 505 samples per block
  record[19] = 0x01;
  TWave wave;
  ASSERT_TRUE(wave.BeginRewrite(reinterpret_cast<const TWaveFormatEx*>(record.data())));
  ASSERT_EQ(4, wave.Write("abcd", 4));
  ASSERT_TRUE(wave.EndRewrite());
  const Bytes image = StreamBytes(wave.Stream());
  EXPECT_EQ(20u, U32At(image, 16));
  EXPECT_EQ("data", IdAt(image, 40));
  EXPECT_EQ(48, wave.DataOffset());
  EXPECT_EQ(40u + 4u, U32At(image, 4));
  EXPECT_TRUE(wave.SameWaveFormat(reinterpret_cast<const TWaveFormatEx*>(record.data())));
  record[19] = 0x02;
  EXPECT_FALSE(wave.SameWaveFormat(reinterpret_cast<const TWaveFormatEx*>(record.data())));
  EXPECT_FALSE(wave.SameWaveFormat(nullptr));
}

TEST(WaveLayout, OddFormatRecordsRoundTripPaddedOrNot) {
  Bytes record = PcmRecord(21);
  record[16] = 3;  // cbSize: three extension bytes
  TWave wave;
  ASSERT_TRUE(wave.BeginRewrite(reinterpret_cast<const TWaveFormatEx*>(record.data())));
  ASSERT_EQ(2, wave.Write("ab", 2));
  ASSERT_TRUE(wave.EndRewrite());
  // Written without a pad byte after the 21-byte chunk.
  EXPECT_EQ(49, wave.DataOffset());
  EXPECT_TRUE(wave.SameWaveFormat(reinterpret_cast<const TWaveFormatEx*>(record.data())));

  // The same record in a file that pads its chunks.
  Load(wave, Image({{"fmt ", record}, {"data", Bytes(2, 9)}}));
  ASSERT_TRUE(wave.Valid());
  EXPECT_EQ(50, wave.DataOffset());
  EXPECT_EQ(3, wave.WaveFormat()->cbSize);
}

TEST(WaveParse, AcceptsShortFormatChunksAndChunksBeforeData) {
  TWave wave;
  Load(wave, Image({{"fmt ", PcmRecord(16)}, {"data", Bytes(10, 5)}}));
  ASSERT_TRUE(wave.Valid());
  EXPECT_EQ(0, wave.WaveFormat()->cbSize);
  EXPECT_EQ(Mono16bit8000Hz, wave.PCMFormat());

  Load(wave, Image({{"fmt ", PcmRecord(18)},
                    {"fact", Bytes(4, 1)},
                    {"LIST", Bytes(9, 2)},  // odd: followed by a pad byte
                    {"data", Bytes(6, 3)}}));
  ASSERT_TRUE(wave.Valid());
  EXPECT_EQ(6u, wave.DataSize());
  EXPECT_EQ(12 + 26 + 12 + 18 + 8, wave.DataOffset());

  // The smallest format chunk that is accepted: 14 bytes, read into a zero-filled record.
  Load(wave, Image({{"fmt ", PcmRecord(14)}, {"data", Bytes(2, 0)}}));
  ASSERT_TRUE(wave.Valid());
  EXPECT_EQ(0, wave.WaveFormat()->wBitsPerSample);
}

TEST(WaveParse, SizesBeyondTheStreamAreClampedToIt) {
  const Bytes good = Image({{"fmt ", PcmRecord(18)}, {"data", Bytes(8, 1)}});
  auto withSizes = [&](size_t keep, uint32_t riffSize, uint32_t dataSize) {
    Bytes image(good.begin(), good.begin() + keep);
    std::memcpy(image.data() + 4, &riffSize, 4);
    std::memcpy(image.data() + 42, &dataSize, 4);
    return image;
  };
  const struct {
    const char* name;
    Bytes image;
    uint32_t dataSize;
  } cases[] = {
      {"truncated audio", withSizes(good.size() - 3, 46, 8), 5},
      {"truncated after the data header", withSizes(46, 46, 8), 0},
      {"data size beyond the stream", withSizes(good.size(), 46, 9), 8},
      {"RIFF size beyond the stream", withSizes(good.size(), 48, 8), 8},
      {"streamed header", withSizes(good.size(), 0xFFFFFFFF, 0xFFFFFFFF), 8},
      {"streamed and truncated", withSizes(good.size() - 1, 0xFFFFFFFF, 0xFFFFFFFF), 7},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TWave wave;
    Load(wave, c.image);
    ASSERT_TRUE(wave.Valid());
    EXPECT_EQ(46, wave.DataOffset());
    EXPECT_EQ(c.dataSize, wave.DataSize());
    // The whole clamped data chunk can be read.
    void* audio = wave.AccessData(true);
    EXPECT_EQ(c.dataSize != 0, audio != nullptr);
    wave.ReleaseData(audio, false);
  }
}

TEST(WaveParse, LengthRoundsHalfMillisecondsAwayFromZero) {
  // 16000 bytes per second: 16 bytes a millisecond.
  const std::pair<uint32_t, uint32_t> cases[] = {{7, 0}, {8, 1}, {23, 1}, {24, 2}, {16000, 1000}};
  for (const auto& [bytes, ms] : cases) {
    TWave wave;
    Record(wave, bytes);
    EXPECT_EQ(ms, wave.Length()) << bytes << " bytes";
  }
}

TEST(WaveParse, MalformedImagesAreInvalid) {
  const Bytes good = Image({{"fmt ", PcmRecord(18)}, {"data", Bytes(8, 1)}});
  Bytes bigExtension = good;
  bigExtension[36] = 4;  // cbSize claims bytes the chunk does not hold
  const std::vector<std::pair<const char*, Bytes>> cases = {
      {"empty", Bytes()},
      {"garbage", Bytes(100, 0x5A)},
      {"truncated header", Bytes(good.begin(), good.begin() + 30)},
      {"truncated data header", Bytes(good.begin(), good.begin() + 45)},
      {"13-byte fmt", Image({{"fmt ", PcmRecord(13)}, {"data", Bytes(2, 0)}})},
      {"no data", Image({{"fmt ", PcmRecord(18)}, {"LIST", Bytes(4, 0)}})},
      {"data before fmt", Image({{"data", Bytes(2, 0)}, {"fmt ", PcmRecord(18)}})},
      {"not WAVE",
       [&] {
         Bytes b = good;
         std::memcpy(b.data() + 8, "AVI ", 4);
         return b;
       }()},
      {"extension beyond fmt", bigExtension},
  };
  for (const auto& [name, image] : cases) {
    SCOPED_TRACE(name);
    TWave wave;
    Load(wave, image);
    EXPECT_FALSE(wave.Valid());
    EXPECT_EQ(nullptr, wave.WaveFormat());
    EXPECT_EQ(0u, wave.DataSize());
    EXPECT_EQ(0, wave.DataOffset());
    EXPECT_FALSE(wave.BeginRead());
    EXPECT_EQ(nullptr, wave.AccessData(false));
    EXPECT_EQ(static_cast<int64_t>(image.size()), wave.Stream().Size());
  }
}

TEST(WavePasses, OnlyOnePassAtATime) {
  TWave wave;
  uint8_t byte = 0;
  EXPECT_EQ(-1, wave.Write(&byte, 1));
  EXPECT_EQ(-1, wave.Read(&byte, 1));
  EXPECT_EQ(-1, wave.Position());
  EXPECT_FALSE(wave.EndRewrite());
  EXPECT_FALSE(wave.EndRead());
  EXPECT_FALSE(wave.BeginRead());  // empty stream

  Record(wave, 100);
  ASSERT_TRUE(wave.BeginRead());
  EXPECT_EQ(wssReading, wave.State());
  EXPECT_FALSE(wave.BeginRead());
  EXPECT_FALSE(wave.BeginRewritePCM(Mono16bit8000Hz));
  uint8_t buffer[200];
  wave.SetPosition(10);
  EXPECT_EQ(10, wave.Position());
  EXPECT_EQ(90, wave.Read(buffer, sizeof buffer));
  EXPECT_EQ(70u, buffer[0]);
  EXPECT_EQ(100, wave.Position());
  EXPECT_EQ(0, wave.Read(buffer, sizeof buffer));
  EXPECT_TRUE(wave.EndRead());
  EXPECT_EQ(wssReady, wave.State());
  EXPECT_FALSE(wave.BeginRewritePCM(nonePCM));
}

TEST(WavePasses, DestroyingDuringARewriteCompletesTheImage) {
  TMemoryStream stream;
  {
    TWaveStreamAdapter wave(&stream, soReference);
    ASSERT_TRUE(wave.BeginRewritePCM(Mono16bit8000Hz));
    ASSERT_EQ(4, wave.Write("\1\2\3\4", 4));
  }
  const Bytes image = StreamBytes(stream);
  ASSERT_EQ(50u, image.size());
  EXPECT_EQ(4u, U32At(image, 42));
  EXPECT_EQ(42u, U32At(image, 4));
}

TEST(WaveNotifications, ChangingFiresOnceUntilTheDetailsAreRead) {
  TWave wave;
  int changing = 0, change = 0;
  wave.SetOnChanging([&](TWaveStreamAdapter&) { ++changing; });
  wave.SetOnChange([&](TWaveStreamAdapter&) { ++change; });
  Record(wave, 10);
  EXPECT_EQ(0, changing);  // fresh adapters start stale
  EXPECT_GE(change, 1);
  wave.Clear();
  wave.Clear();
  EXPECT_EQ(1, changing);
  EXPECT_TRUE(wave.Empty());
  EXPECT_FALSE(wave.Valid());
  Record(wave, 10);
  EXPECT_EQ(2, changing);
  EXPECT_TRUE(wave.Valid());
}

TEST(WaveData, InPlaceForMemoryStreamsAndCopiedOtherwise) {
  TWave wave;
  Record(wave, 100);
  auto* direct = static_cast<uint8_t*>(wave.AccessData(false));
  ASSERT_EQ(wave.Memory().Memory() + 46, direct);
  wave.ReleaseData(direct, true);

  auto* copy = static_cast<uint8_t*>(wave.AccessData(true));
  ASSERT_NE(nullptr, copy);
  ASSERT_NE(direct, copy);
  EXPECT_EQ(7u, copy[1]);
  copy[1] = 0xEE;
  wave.ReleaseData(copy, true);
  EXPECT_EQ(0xEE, wave.Memory().Memory()[47]);

  TWave empty;
  Record(empty, 0);
  EXPECT_EQ(nullptr, empty.AccessData(false));
}

TEST(WaveStorage, CopiesTheWaveAndClearsOnNull) {
  TWave source;
  Record(source, 20);
  TWaveStorage storage;
  storage.SetWave(&source);
  EXPECT_EQ(StreamBytes(source.Stream()), StreamBytes(storage.Wave().Stream()));
  EXPECT_EQ(20u, storage.Wave().DataSize());
  storage.SetWave(nullptr);
  EXPECT_TRUE(storage.Wave().Empty());

  TMemoryStream saved;
  ASSERT_TRUE(source.SaveToStream(saved));
  EXPECT_EQ(66, saved.Size());
}
