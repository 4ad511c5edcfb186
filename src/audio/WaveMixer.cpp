#include "audio/WaveMixer.h"

#include "base/untGlobal.h"

// The portable rules carry the platform's numbers; they must be the system header's.
static_assert(MixerControlTypeValues[0] == MIXERCONTROL_CONTROLTYPE_VOLUME);
static_assert(MixerControlTypeValues[1] == MIXERCONTROL_CONTROLTYPE_MUTE);
static_assert(MixerControlTypeValues[2] == MIXERCONTROL_CONTROLTYPE_MUX);
static_assert(MixerControlTypeValues[3] == MIXERCONTROL_CONTROLTYPE_MIXER);
static_assert(static_cast<int>(TMixerLineTargetType::tgWaveOut) == MIXERLINE_TARGETTYPE_WAVEOUT);
static_assert(static_cast<int>(TMixerLineTargetType::tgWaveIn) == MIXERLINE_TARGETTYPE_WAVEIN);
static_assert(static_cast<int>(TMixerLineTargetType::tgAux) == MIXERLINE_TARGETTYPE_AUX);
static_assert(MixerDestinationComponentFirst == MIXERLINE_COMPONENTTYPE_DST_FIRST);
static_assert(MixerSourceComponentFirst == MIXERLINE_COMPONENTTYPE_SRC_FIRST);
static_assert(static_cast<uint32_t>(TMixerLineComponentType::cmDstVoiceIn) == MIXERLINE_COMPONENTTYPE_DST_VOICEIN);
static_assert(static_cast<uint32_t>(TMixerLineComponentType::cmSrcAnalog) -
                  static_cast<uint32_t>(TMixerLineComponentType::cmSrcUndefined) ==
              MIXERLINE_COMPONENTTYPE_SRC_ANALOG - MIXERLINE_COMPONENTTYPE_SRC_FIRST);
static_assert(MixerLineFlagValues[0] == MIXERLINE_LINEF_ACTIVE);
static_assert(MixerLineFlagValues[1] == MIXERLINE_LINEF_DISCONNECTED);
static_assert(MixerLineFlagValues[2] == static_cast<uint32_t>(MIXERLINE_LINEF_SOURCE));

TMixerCalls MixerCalls = {
    mixerGetNumDevs,         mixerGetDevCapsW,      mixerOpen, mixerClose, mixerGetLineInfoW, mixerGetLineControlsA,
    mixerGetControlDetailsW, mixerSetControlDetails};

std::wstring MixerErrorText(MMRESULT code) {
  switch (code) {
    case MIXERR_INVALLINE:
      return L"The mixer line does not exist.";
    case MIXERR_INVALCONTROL:
      return L"The mixer line has no such control.";
    case MIXERR_INVALVALUE:
      return L"The mixer control does not take this value.";
  }
  // The other codes are the multimedia system's own, which every device type words alike.
  wchar_t text[MAXERRORLENGTH] = L"";
  if (waveOutGetErrorTextW(code, text, MAXERRORLENGTH) != MMSYSERR_NOERROR) return L"error " + std::to_wstring(code);
  return text;
}

TAudioMixerLine::TAudioMixerLine(TAudioMixer& mixer, int id) : fID(id), fMixer(mixer) { Refresh(); }

void TAudioMixerLine::Refresh() {
  fLineInfo = MIXERLINEW{};
  fLineInfo.cbStruct = sizeof fLineInfo;
  fLineInfo.dwDestination = static_cast<DWORD>(fMixer.DestinationID());
  DWORD flags = MIXER_OBJECTF_HMIXER | MIXER_GETLINEINFOF_DESTINATION;
  if (fID >= 0) {
    fLineInfo.dwSource = static_cast<DWORD>(fID);
    flags = MIXER_OBJECTF_HMIXER | MIXER_GETLINEINFOF_SOURCE;
  }
  fLastError = MixerCalls.getLineInfo(reinterpret_cast<HMIXEROBJ>(fMixer.Handle()), &fLineInfo, flags);
  fAvailableControls.reset();
  if (fLastError != MMSYSERR_NOERROR) {
    // A line that cannot be read has no name and no controls.
    fLineInfo = MIXERLINEW{};
    return;
  }
  for (size_t type = 0; type < fAvailableControls.size(); ++type) {
    MIXERCONTROLA& control = fControls[type];
    control = MIXERCONTROLA{};
    control.cbStruct = sizeof control;
    MIXERLINECONTROLSA request{};
    request.cbStruct = sizeof request;
    request.dwLineID = fLineInfo.dwLineID;
    request.dwControlType = PlatformControlType(static_cast<TMixerControlType>(type));
    request.cControls = 1;
    request.cbmxctrl = sizeof control;
    request.pamxctrl = &control;
    fAvailableControls[type] =
        MixerCalls.getLineControls(reinterpret_cast<HMIXEROBJ>(fMixer.Handle()), &request,
                                   MIXER_OBJECTF_HMIXER | MIXER_GETLINECONTROLSF_ONEBYTYPE) == MMSYSERR_NOERROR;
  }
}

bool TAudioMixerLine::ReadValue(TMixerControlType type, DWORD& value) {
  MIXERCONTROLDETAILS details{};
  details.cbStruct = sizeof details;
  details.dwControlID = Control(type).dwControlID;
  details.cChannels = 1;  // one value for all channels
  details.cbDetails = sizeof value;
  details.paDetails = &value;
  fLastError = MixerCalls.getControlDetails(reinterpret_cast<HMIXEROBJ>(fMixer.Handle()), &details,
                                            MIXER_OBJECTF_HMIXER | MIXER_GETCONTROLDETAILSF_VALUE);
  return fLastError == MMSYSERR_NOERROR;
}

void TAudioMixerLine::WriteValue(TMixerControlType type, DWORD value) {
  MIXERCONTROLDETAILS details{};
  details.cbStruct = sizeof details;
  details.dwControlID = Control(type).dwControlID;
  details.cChannels = 1;
  details.cbDetails = sizeof value;
  details.paDetails = &value;
  fLastError = MixerCalls.setControlDetails(reinterpret_cast<HMIXEROBJ>(fMixer.Handle()), &details,
                                            MIXER_OBJECTF_HMIXER | MIXER_SETCONTROLDETAILSF_VALUE);
}

int TAudioMixerLine::Volume() {
  fLastError = MIXERR_INVALCONTROL;
  if (!Has(TMixerControlType::mcVolume)) return -1;
  DWORD value = 0;
  const bool read = ReadValue(TMixerControlType::mcVolume, value);
  return VolumePercentFromControl(read ? std::optional<uint32_t>(value) : std::nullopt,
                                  Control(TMixerControlType::mcVolume).Bounds.dwMaximum);
}

void TAudioMixerLine::SetVolume(int percent) {
  fLastError = MIXERR_INVALCONTROL;
  if (!Has(TMixerControlType::mcVolume)) return;
  WriteValue(TMixerControlType::mcVolume,
             ControlValueFromPercent(percent, Control(TMixerControlType::mcVolume).Bounds.dwMaximum));
}

bool TAudioMixerLine::Mute() {
  fLastError = MIXERR_INVALCONTROL;
  if (!Has(TMixerControlType::mcMute)) return true;
  DWORD value = 0;
  return !ReadValue(TMixerControlType::mcMute, value) || value != 0;
}

void TAudioMixerLine::SetMute(bool mute) {
  fLastError = MIXERR_INVALCONTROL;
  if (Has(TMixerControlType::mcMute)) WriteValue(TMixerControlType::mcMute, mute ? 1 : 0);
}

TAudioMixer::TAudioMixer() {
  fMaster = std::make_unique<TAudioMixerLine>(*this, -1);
  Open(true);
}

// The lines go before the handle they were read through.
TAudioMixer::~TAudioMixer() {
  fLines.clear();
  fMaster.reset();
}

void TAudioMixer::SetMixerID(int id) {
  if (!AcceptsMixerId(fMixerID, id, MixerCount())) return;
  fMixerID = id;
  Open(true);
}

void TAudioMixer::SetDestinationID(int id) {
  if (id == fDestinationID) return;
  fDestinationID = id;
  Open(false);
}

void TAudioMixer::Open(bool full) {
  fLines.clear();
  if (full) {
    fHandle.Reset();
    fMixerCaps = MIXERCAPSW{};
    MixerCalls.getDevCaps(static_cast<UINT_PTR>(fMixerID), &fMixerCaps, sizeof fMixerCaps);
    fLastError = MixerCalls.open(fHandle.Receive(), static_cast<UINT>(fMixerID), 0, 0, MIXER_OBJECTF_MIXER);
    if (fLastError != MMSYSERR_NOERROR && MixerCount() > 0)
      WriteLog(L"TAudioMixer mixerOpen " + std::to_wstring(fMixerID) + L": " + MixerErrorText(fLastError));
  }
  fDestinationID = DestinationIdAfterOpening(fDestinationID, DestinationCount());
  fMaster->Refresh();
  for (DWORD source = 0; source < fMaster->Connections(); ++source)
    fLines.push_back(std::make_unique<TAudioMixerLine>(*this, static_cast<int>(source)));
}
