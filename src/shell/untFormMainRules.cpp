#include "shell/untFormMainRules.h"

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
