#pragma once
// Format conversion through the Audio Compression Manager (Windows build only).
#include <windows.h>
// mmsystem.h needs windows.h before it, and mmreg.h needs both.
#include <mmsystem.h>

#include <mmreg.h>

#include <cstdint>
#include <vector>

#include "audio/WaveStorage.h"

// Converts the whole source block in one call of any driver that can; true when the driver reported
// success. converted holds whatever the driver produced, sized to what it used.
bool AcmConvert(const WAVEFORMATEX* sourceFormat, const void* source, uint32_t sourceSize,
                const WAVEFORMATEX* targetFormat, std::vector<uint8_t>& converted);

// Converts the wave's audio to the target format, replacing its image: directly, else by way of the PCM
// format that the ACM suggests for the source. On failure the stream keeps its bytes.
bool ConvertTo(TWaveStreamAdapter& wave, const TWaveFormatEx* target);
bool ConvertToPCM(TWaveStreamAdapter& wave, TPCMFormat preset);
