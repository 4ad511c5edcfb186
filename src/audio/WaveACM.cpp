// The converting half of the WAV images: ConvertTo goes through the Audio Compression Manager, first
// directly and then by way of the PCM format that the ACM suggests for the source.
#include "audio/WaveACM.h"

#include <algorithm>

#include "base/untHandle.h"

static_assert(sizeof(WAVEFORMATEX) == sizeof(TWaveFormatEx), "the portable record mirrors WAVEFORMATEX");

namespace {

const WAVEFORMATEX* AsWin(const TWaveFormatEx* format) { return reinterpret_cast<const WAVEFORMATEX*>(format); }

struct TAcmStreamTraits {
  using Type = HACMSTREAM;
  static Type Empty() { return nullptr; }
  static void Close(Type stream) { AcmCalls.streamClose(stream, 0); }
};

// Hands the audio bytes back to the adapter however ConvertTo leaves.
struct TDataAccess {
  TWaveStreamAdapter& wave;
  void* data;
  ~TDataAccess() { wave.ReleaseData(data, false); }
};

}  // namespace

TAcmCalls AcmCalls = {
    acmStreamOpen,  acmStreamSize,   acmStreamPrepareHeader, acmStreamConvert, acmStreamUnprepareHeader,
    acmStreamClose, acmFormatSuggest};

bool AcmConvert(const WAVEFORMATEX* sourceFormat, const void* source, uint32_t sourceSize,
                const WAVEFORMATEX* targetFormat, std::vector<uint8_t>& converted) {
  converted.clear();
  THandle<TAcmStreamTraits> stream;
  if (AcmCalls.streamOpen(stream.Receive(), nullptr, const_cast<WAVEFORMATEX*>(sourceFormat),
                          const_cast<WAVEFORMATEX*>(targetFormat), nullptr, 0, 0,
                          ACM_STREAMOPENF_NONREALTIME) != MMSYSERR_NOERROR) {
    stream.Release();
    return false;
  }
  const HACMSTREAM handle = stream.Get();
  DWORD targetSize = 0;
  if (AcmCalls.streamSize(handle, sourceSize, &targetSize, ACM_STREAMSIZEF_SOURCE) != MMSYSERR_NOERROR) return false;
  converted.resize(targetSize);

  ACMSTREAMHEADER header{};
  header.cbStruct = sizeof header;
  header.pbSrc = static_cast<BYTE*>(const_cast<void*>(source));
  header.cbSrcLength = sourceSize;
  header.pbDst = converted.data();
  header.cbDstLength = targetSize;
  bool success = false;
  if (AcmCalls.streamPrepareHeader(handle, &header, 0) == MMSYSERR_NOERROR) {
    success =
        AcmCalls.streamConvert(handle, &header, ACM_STREAMCONVERTF_START | ACM_STREAMCONVERTF_END) == MMSYSERR_NOERROR;
    AcmCalls.streamUnprepareHeader(handle, &header, 0);
  }
  converted.resize(std::min<DWORD>(header.cbDstLengthUsed, targetSize));
  converted.shrink_to_fit();
  return success;
}

bool ConvertTo(TWaveStreamAdapter& wave, const TWaveFormatEx* target) {
  if (wave.SameWaveFormat(target)) return true;
  if (!target) return false;
  std::vector<uint8_t> converted;
  {
    // The audio is handed back before the image is rewritten: a pointer into a memory stream dies then.
    TDataAccess access{wave, wave.AccessData(false)};
    if (!access.data) return false;
    const WAVEFORMATEX* current = AsWin(wave.WaveFormat());
    const uint32_t size = wave.DataSize();
    bool success = AcmConvert(current, access.data, size, AsWin(target), converted);
    if (!success) {
      WAVEFORMATEX intermediate{};
      intermediate.wFormatTag = WAVE_FORMAT_PCM;
      intermediate.nChannels = current->nChannels;
      intermediate.nSamplesPerSec = current->nSamplesPerSec;
      if (AcmCalls.formatSuggest(nullptr, const_cast<WAVEFORMATEX*>(current), &intermediate, sizeof intermediate,
                                 ACM_FORMATSUGGESTF_WFORMATTAG | ACM_FORMATSUGGESTF_NCHANNELS |
                                     ACM_FORMATSUGGESTF_NSAMPLESPERSEC) == MMSYSERR_NOERROR) {
        std::vector<uint8_t> pcm;
        success = AcmConvert(current, access.data, size, &intermediate, pcm) &&
                  AcmConvert(&intermediate, pcm.data(), static_cast<uint32_t>(pcm.size()), AsWin(target), converted);
      }
    }
    if (!success) return false;
  }
  if (!wave.BeginRewrite(target)) return false;
  const int64_t written = wave.Write(converted.data(), static_cast<int64_t>(converted.size()));
  return wave.EndRewrite() && written == static_cast<int64_t>(converted.size());
}

bool ConvertToPCM(TWaveStreamAdapter& wave, TPCMFormat preset) {
  if (preset == nonePCM) return false;
  TWaveFormatEx format{};
  FillPcmFormat(format, preset);
  return ConvertTo(wave, &format);
}
