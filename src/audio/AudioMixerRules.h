#pragma once
// The legacy mixer's rules without winmm: its enumerations and the platform values they stand for, the
// volume scales of mixer controls and of the endpoint, and which mixer and destination indices are kept.
// The mixer wrapper checks these platform values against the system header.
#include <bitset>
#include <cstdint>
#include <optional>

enum class TMixerControlType { mcVolume, mcMute, mcSelect, mcMix };
enum class TMixerLineTargetType { tgUndefined, tgWaveOut, tgWaveIn, tgMidiOut, tgMidiIn, tgAux };
enum class TMixerLineComponentType {
  cmDstUndefined,
  cmDstDigital,
  cmDstLine,
  cmDstMonitor,
  cmDstSpeakers,
  cmDstHeadphones,
  cmDstTelephone,
  cmDstWaveIn,
  cmDstVoiceIn,
  cmSrcUndefined,
  cmSrcDigital,
  cmSrcLine,
  cmSrcMicrophone,
  cmSrcSynthesizer,
  cmCompactDisc,
  cmSrcTelephone,
  cmSrcPCSpeaker,
  cmSrcWaveOut,
  cmSrcAuxiliary,
  cmSrcAnalog
};
enum class TMixerLineFlag { lfActive, lfDisconnected, lfSource };

// Sets indexed by the enumeration values.
using TMixerControlTypes = std::bitset<4>;
using TMixerLineFlags = std::bitset<3>;

// MIXERCONTROL_CONTROLTYPE_VOLUME, _MUTE, _MUX, _MIXER, in the order of TMixerControlType.
inline constexpr uint32_t MixerControlTypeValues[] = {0x50030001, 0x20010002, 0x70010001, 0x71010001};
// MIXERLINE_COMPONENTTYPE_DST_FIRST and _SRC_FIRST; destinations and sources count up from them.
inline constexpr uint32_t MixerDestinationComponentFirst = 0x0000;
inline constexpr uint32_t MixerSourceComponentFirst = 0x1000;
// MIXERLINE_LINEF_ACTIVE, _DISCONNECTED, _SOURCE, in the order of TMixerLineFlag.
inline constexpr uint32_t MixerLineFlagValues[] = {0x00000001, 0x00008000, 0x80000000};

uint32_t PlatformControlType(TMixerControlType type);
// A platform value that matches no enumeration value reads as the first one.
TMixerLineTargetType TargetTypeFromPlatform(uint32_t value);
TMixerLineComponentType ComponentTypeFromPlatform(uint32_t value);
TMixerLineFlags LineFlagsFromPlatform(uint32_t value);
// The enumeration value's own name, as the sound test window logs it ("tgWaveOut").
const wchar_t* TargetTypeName(TMixerLineTargetType type);

// A volume control's value 0..maximum as a percent, rounded to nearest; no value (no volume control, or the
// control could not be read) is -1.
int VolumePercentFromControl(std::optional<uint32_t> value, uint32_t maximum);
// The control value for a percent, clamped to 0..100 first and rounded to nearest.
uint32_t ControlValueFromPercent(int percent, uint32_t maximum);

// The endpoint's master volume scalar 0.0..1.0 as the truncated percent of the float product.
int EndpointPercentFromScalar(float scalar);
float EndpointScalarFromPercent(int percent);

// Whether selecting mixer `requested` reopens the mixer: another index that names an existing device.
bool AcceptsMixerId(int current, int requested, int mixerCount);
// The destination an opened mixer uses: the stored one, or 0 when the mixer has no such destination.
int DestinationIdAfterOpening(int destinationId, int destinationCount);
