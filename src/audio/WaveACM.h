#pragma once
// Format conversion through the Audio Compression Manager (Windows build only).
#include <windows.h>
// mmsystem.h needs windows.h before it, and mmreg.h needs both.
#include <mmsystem.h>

#include <mmreg.h>
// msacm.h needs all three.
#include <msacm.h>

#include <cstdint>
#include <vector>

#include "audio/WaveStorage.h"

// The ACM functions of the conversion; the real ones unless a test puts its own in their place.
struct TAcmCalls {
  MMRESULT(WINAPI* streamOpen)
  (HACMSTREAM*, HACMDRIVER, WAVEFORMATEX*, WAVEFORMATEX*, WAVEFILTER*, DWORD_PTR, DWORD_PTR, DWORD);
  MMRESULT(WINAPI* streamSize)(HACMSTREAM, DWORD, DWORD*, DWORD);
  MMRESULT(WINAPI* streamPrepareHeader)(HACMSTREAM, ACMSTREAMHEADER*, DWORD);
  MMRESULT(WINAPI* streamConvert)(HACMSTREAM, ACMSTREAMHEADER*, DWORD);
  MMRESULT(WINAPI* streamUnprepareHeader)(HACMSTREAM, ACMSTREAMHEADER*, DWORD);
  MMRESULT(WINAPI* streamClose)(HACMSTREAM, DWORD);
  MMRESULT(WINAPI* formatSuggest)(HACMDRIVER, WAVEFORMATEX*, WAVEFORMATEX*, DWORD, DWORD);
};
extern TAcmCalls AcmCalls;

// Converts the whole source block in one call of any driver that can; true when the driver reported
// success. converted holds whatever the driver produced, sized to what it used.
bool AcmConvert(const WAVEFORMATEX* sourceFormat, const void* source, uint32_t sourceSize,
                const WAVEFORMATEX* targetFormat, std::vector<uint8_t>& converted);

// Converts the wave's audio to the target format, replacing its image: directly, else by way of the PCM
// format that the ACM suggests for the source. On failure the stream keeps its bytes.
bool ConvertTo(TWaveStreamAdapter& wave, const TWaveFormatEx* target);
bool ConvertToPCM(TWaveStreamAdapter& wave, TPCMFormat preset);
