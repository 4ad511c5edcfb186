#pragma once
// The sound and microphone test window's decisions, kept apart from the window: which mixer lines each slider
// drives and the volume it opens with, the saved microphone choice, speech detection and the device-list hint.
#include <cstdint>
#include <string>

#include "audio/AudioMixerRules.h"

// Opening the window raises a slider below this to it, which writes the volume to every line of the slider.
inline constexpr int MinimumOpeningVolume = 50;
// A recorder level above this is speech; the success note then stays for the life of the window.
inline constexpr int SpeechLevelThreshold = 25;
// The microphone test records into a fresh stream this often, so that the discarded audio never piles up.
inline constexpr unsigned RecordRestartIntervalMs = 10000;

enum class TMixerLineRole { lrNone, lrSpeaker, lrMicrophone };
// Wave-out destinations belong to the speaker slider, wave-in destinations to the microphone slider.
TMixerLineRole RoleOfDestination(TMixerLineTargetType targetType);

// The slider's opening value after one more line of its kind: the lower of the two, never below 0 (a line
// without a volume control reads -1).
int LowerToLineVolume(int sliderValue, int lineVolume);
int RaiseToOpeningVolume(int sliderValue);

bool IsSpeechLevel(int level);

// Whether a stored or preselected device index names one of deviceCount recording devices.
bool IsMicrophoneIndexValid(int32_t index, int deviceCount);
// The device the window reports: the list's selection, or 0 when nothing is selected (-1).
int MicrophoneDeviceIdOfSelection(int selectedIndex);

enum class TDeviceListHint { dhNoDevice, dhSingleDevice, dhMultipleDevices };
TDeviceListHint DeviceListHint(int deviceCount);

// One log line per mixer destination: "0:Mixer, 1:Master, tgWaveOut, Master, MasterVolume:75".
std::wstring DestinationLogLine(int mixerIndex, const std::wstring& mixerName, int destinationIndex,
                                const std::wstring& destinationName, TMixerLineTargetType targetType,
                                const std::wstring& masterName, int masterVolume);
