#pragma once
// The legacy mixer of winmm: one mixer device at a time, one of its destination lines (the master) and that
// destination's source lines, each with its volume and mute control. Nothing here raises: a failed call
// leaves its code in LastError, a volume of -1, a mute of true or an unchanged control.
// The mixer is opened without a notification target: nothing here follows changes made elsewhere.
#include <windows.h>
// mmsystem.h needs windows.h before it.
#include <mmsystem.h>

#include <memory>
#include <string>
#include <vector>

#include "audio/AudioMixerRules.h"
#include "base/untHandle.h"

// The mixer functions of winmm; the real ones unless a test puts its own in their place.
struct TMixerCalls {
  UINT(WINAPI* getNumDevs)();
  MMRESULT(WINAPI* getDevCaps)(UINT_PTR, MIXERCAPSW*, UINT);
  MMRESULT(WINAPI* open)(HMIXER*, UINT, DWORD_PTR, DWORD_PTR, DWORD);
  MMRESULT(WINAPI* close)(HMIXER);
  MMRESULT(WINAPI* getLineInfo)(HMIXEROBJ, MIXERLINEW*, DWORD);
  MMRESULT(WINAPI* getLineControls)(HMIXEROBJ, MIXERLINECONTROLSA*, DWORD);
  MMRESULT(WINAPI* getControlDetails)(HMIXEROBJ, MIXERCONTROLDETAILS*, DWORD);
  MMRESULT(WINAPI* setControlDetails)(HMIXEROBJ, MIXERCONTROLDETAILS*, DWORD);
};
extern TMixerCalls MixerCalls;

struct TMixerTraits {
  using Type = HMIXER;
  static Type Empty() { return nullptr; }
  static void Close(Type mixer) { MixerCalls.close(mixer); }
};
using TMixerHandle = THandle<TMixerTraits>;

// The text of a mixer call's result code, for the log.
std::wstring MixerErrorText(MMRESULT code);

class TAudioMixer;

class TAudioMixerLine {
 public:
  // id: -1 for the destination line itself, otherwise the source index.
  TAudioMixerLine(TAudioMixer& mixer, int id);
  TAudioMixerLine(const TAudioMixerLine&) = delete;
  TAudioMixerLine& operator=(const TAudioMixerLine&) = delete;

  TAudioMixer& Mixer() const { return fMixer; }
  int ID() const { return fID; }
  std::wstring Name() const { return fLineInfo.szName; }
  MMRESULT LastError() const { return fLastError; }
  TMixerLineTargetType TargetType() const { return TargetTypeFromPlatform(fLineInfo.Target.dwType); }
  DWORD Connections() const { return fLineInfo.cConnections; }

  // Percent 0..100; -1 without a volume control or when it cannot be read.
  int Volume();
  void SetVolume(int percent);
  // true without a mute control or when it cannot be read.
  bool Mute();
  void SetMute(bool mute);

  // Reads the line and its controls again for the mixer's current destination.
  void Refresh();

 private:
  bool Has(TMixerControlType type) const { return fAvailableControls[static_cast<size_t>(type)]; }
  const MIXERCONTROLA& Control(TMixerControlType type) const { return fControls[static_cast<size_t>(type)]; }
  // One uniform value of the control; the result goes to fLastError.
  bool ReadValue(TMixerControlType type, DWORD& value);
  void WriteValue(TMixerControlType type, DWORD value);

  const int fID;
  TAudioMixer& fMixer;
  MIXERLINEW fLineInfo{};
  MMRESULT fLastError = MMSYSERR_NOERROR;
  TMixerControlTypes fAvailableControls;
  MIXERCONTROLA fControls[4]{};
};

class TAudioMixer {
 public:
  // Opens mixer 0 and its first destination.
  TAudioMixer();
  TAudioMixer(const TAudioMixer&) = delete;
  TAudioMixer& operator=(const TAudioMixer&) = delete;
  ~TAudioMixer();

  static int MixerCount() { return static_cast<int>(MixerCalls.getNumDevs()); }
  // Ignored when unchanged or when no such mixer exists; otherwise opens that mixer.
  void SetMixerID(int id);
  std::wstring MixerName() const { return fMixerCaps.szPname; }
  int DestinationCount() const { return static_cast<int>(fMixerCaps.cDestinations); }
  int DestinationID() const { return fDestinationID; }
  // Ignored when unchanged; an index beyond the mixer's destinations becomes 0 as the lines are read.
  void SetDestinationID(int id);
  std::wstring DestinationName() const { return fMaster->Name(); }
  TAudioMixerLine& Master() { return *fMaster; }
  int LineCount() const { return static_cast<int>(fLines.size()); }
  TAudioMixerLine& Lines(int index) { return *fLines.at(static_cast<size_t>(index)); }
  HMIXER Handle() const { return fHandle.Get(); }
  MMRESULT LastError() const { return fLastError; }

 private:
  // Full: the mixer device changed; otherwise only the destination did.
  void Open(bool full);

  TMixerHandle fHandle;
  int fMixerID = 0;
  MIXERCAPSW fMixerCaps{};
  int fDestinationID = 0;
  std::vector<std::unique_ptr<TAudioMixerLine>> fLines;
  std::unique_ptr<TAudioMixerLine> fMaster;
  MMRESULT fLastError = MMSYSERR_NOERROR;
};
