#include "audio/AudioMixerRules.h"

#include <algorithm>
#include <cmath>

uint32_t PlatformControlType(TMixerControlType type) { return MixerControlTypeValues[static_cast<int>(type)]; }

TMixerLineTargetType TargetTypeFromPlatform(uint32_t value) {
  // MIXERLINE_TARGETTYPE_UNDEFINED .. _AUX are 0 .. 5, in the order of the enumeration.
  return value <= static_cast<uint32_t>(TMixerLineTargetType::tgAux) ? static_cast<TMixerLineTargetType>(value)
                                                                     : TMixerLineTargetType::tgUndefined;
}

TMixerLineComponentType ComponentTypeFromPlatform(uint32_t value) {
  constexpr uint32_t destinations = static_cast<uint32_t>(TMixerLineComponentType::cmSrcUndefined);
  constexpr uint32_t sources = static_cast<uint32_t>(TMixerLineComponentType::cmSrcAnalog) - destinations + 1;
  if (value - MixerDestinationComponentFirst < destinations) return static_cast<TMixerLineComponentType>(value);
  if (value - MixerSourceComponentFirst < sources)
    return static_cast<TMixerLineComponentType>(destinations + value - MixerSourceComponentFirst);
  return TMixerLineComponentType::cmDstUndefined;
}

TMixerLineFlags LineFlagsFromPlatform(uint32_t value) {
  TMixerLineFlags flags;
  for (size_t flag = 0; flag < flags.size(); ++flag) flags[flag] = (value & MixerLineFlagValues[flag]) != 0;
  return flags;
}

const wchar_t* TargetTypeName(TMixerLineTargetType type) {
  static const wchar_t* const names[] = {L"tgUndefined", L"tgWaveOut", L"tgWaveIn",
                                         L"tgMidiOut",   L"tgMidiIn",  L"tgAux"};
  return names[static_cast<int>(type)];
}

int VolumePercentFromControl(std::optional<uint32_t> value, uint32_t maximum) {
  if (!value) return -1;
  // A control without a range, or a driver that reports beyond its own maximum, still reads inside 0..100.
  if (maximum == 0) return 0;
  const uint64_t scaled = (uint64_t{std::min(*value, maximum)} * 100 + maximum / 2) / maximum;
  return static_cast<int>(scaled);
}

uint32_t ControlValueFromPercent(int percent, uint32_t maximum) {
  const uint64_t clamped = static_cast<uint64_t>(std::clamp(percent, 0, 100));
  return static_cast<uint32_t>((uint64_t{maximum} * clamped + 50) / 100);
}

int EndpointPercentFromScalar(float scalar) {
  // NaN and values beyond the scale come from a faulty endpoint; they read as the nearest end.
  if (!(scalar > 0.0f)) return 0;
  // The product is taken in double: in float 0.57f * 100 rounds up to 57, while the stored 0.5699999928 is 56 %.
  const double percent = static_cast<double>(scalar) * 100.0;
  return percent >= 100.0 ? 100 : static_cast<int>(percent);
}

float EndpointScalarFromPercent(int percent) { return static_cast<float>(std::clamp(percent, 0, 100)) / 100.0f; }

bool AcceptsMixerId(int current, int requested, int mixerCount) {
  return requested != current && requested >= 0 && requested < mixerCount;
}

int DestinationIdAfterOpening(int destinationId, int destinationCount) {
  return destinationId >= 0 && destinationId < destinationCount ? destinationId : 0;
}
