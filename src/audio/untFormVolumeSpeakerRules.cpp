#include "audio/untFormVolumeSpeakerRules.h"

#include <algorithm>

TMixerLineRole RoleOfDestination(TMixerLineTargetType targetType) {
  switch (targetType) {
    case TMixerLineTargetType::tgWaveOut:
      return TMixerLineRole::lrSpeaker;
    case TMixerLineTargetType::tgWaveIn:
      return TMixerLineRole::lrMicrophone;
    default:
      return TMixerLineRole::lrNone;
  }
}

int LowerToLineVolume(int sliderValue, int lineVolume) { return std::max(0, std::min(sliderValue, lineVolume)); }

int RaiseToOpeningVolume(int sliderValue) { return std::max(sliderValue, MinimumOpeningVolume); }

bool IsSpeechLevel(int level) { return level > SpeechLevelThreshold; }

bool IsMicrophoneIndexValid(int32_t index, int deviceCount) { return index >= 0 && index < deviceCount; }

int MicrophoneDeviceIdOfSelection(int selectedIndex) { return std::max(selectedIndex, 0); }

TDeviceListHint DeviceListHint(int deviceCount) {
  if (deviceCount <= 0) return TDeviceListHint::dhNoDevice;
  return deviceCount == 1 ? TDeviceListHint::dhSingleDevice : TDeviceListHint::dhMultipleDevices;
}

std::wstring DestinationLogLine(int mixerIndex, const std::wstring& mixerName, int destinationIndex,
                                const std::wstring& destinationName, TMixerLineTargetType targetType,
                                const std::wstring& masterName, int masterVolume) {
  return std::to_wstring(mixerIndex) + L":" + mixerName + L", " + std::to_wstring(destinationIndex) + L":" +
         destinationName + L", " + TargetTypeName(targetType) + L", " + masterName + L", MasterVolume:" +
         std::to_wstring(masterVolume);
}
