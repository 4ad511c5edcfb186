#include "shell/untFormMainRules.h"

#include <cwctype>

#include "audio/untFormVolumeSpeakerRules.h"

TResizeZone ResizeZoneAt(int x, int y, int width, int height) {
  const int b = kResizeBorderWidth;
  const bool left = x < b, right = width - b < x, top = y < b, bottom = height - b < y;
  if (left && top) return TResizeZone::rzTopLeft;
  if (right && top) return TResizeZone::rzTopRight;
  if (left && bottom) return TResizeZone::rzBottomLeft;
  if (right && bottom) return TResizeZone::rzBottomRight;
  if (left) return TResizeZone::rzLeft;
  if (right) return TResizeZone::rzRight;
  if (top) return TResizeZone::rzTop;
  if (bottom) return TResizeZone::rzBottom;
  return TResizeZone::rzNone;
}

TBounds RestoredBounds(int workWidth, int workHeight) {
  const int w8 = workWidth / 8, h8 = workHeight / 8;
  return {w8, h8, w8 * 6, h8 * 6};
}

int RightAnchoredLeft(int designLeft, int clientWidth) { return clientWidth - (kDesignClientWidth - designLeft); }

void TBlinkSchedule::Start() {
  fCounter = kToggles;
  fRunning = true;
}

void TBlinkSchedule::Tick() {
  if (!fRunning) return;
  fVisible = !fVisible;
  if (--fCounter <= 0) Stop();
}

void TBlinkSchedule::Stop() {
  fRunning = false;
  fVisible = false;
}

bool IsDiskSpaceLow(bool known, uint64_t freeBytes) { return !known || freeBytes < kLowDiskSpaceBytes; }

TMicrophoneAction ChooseMicrophoneAction(int deviceCount, bool stored, int32_t storedId) {
  if (deviceCount <= 0) return TMicrophoneAction::maWarnNoDevice;
  if (!stored || !IsMicrophoneIndexValid(storedId, deviceCount)) return TMicrophoneAction::maOfferTest;
  return TMicrophoneAction::maUseStored;
}

std::wstring NormaliseFlashVersion(const std::wstring& raw) {
  if (raw.size() < 4) return L"0.0";
  std::wstring prefix = raw.substr(0, 4);
  for (wchar_t& c : prefix) c = static_cast<wchar_t>(std::towupper(c));
  if (prefix != L"WIN ") return L"0.0";
  std::wstring version = raw.substr(4);
  // Trimmed like any text from outside: blanks and control characters at both ends.
  const wchar_t* blanks = L" \t\r\n";
  const size_t first = version.find_first_not_of(blanks);
  // A prefix with nothing behind it names no version.
  if (first == std::wstring::npos) return L"0.0";
  version = version.substr(first, version.find_last_not_of(blanks) - first + 1);
  for (wchar_t& c : version)
    if (c == L',') c = L'.';
  return version;
}
