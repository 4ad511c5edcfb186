#pragma once
// The main window's decisions, kept apart from the window so that they can be checked anywhere:
// resize zones, the restored size, right-anchored controls, the hint's blinking and the start-up checks.
#include <cstdint>
#include <string>

// Width of the invisible resize border along the window's edges.
inline constexpr int kResizeBorderWidth = 10;
// The width the title panel's controls are placed for; right-anchored ones keep their distance to it.
inline constexpr int kDesignClientWidth = 1000;
inline constexpr uint64_t kLowDiskSpaceBytes = 10485760;

enum class TResizeZone { rzNone, rzTopLeft, rzTopRight, rzBottomLeft, rzBottomRight, rzLeft, rzRight, rzTop, rzBottom };

// (x, y) in client coordinates of a window width x height; the corners win over the edges.
TResizeZone ResizeZoneAt(int x, int y, int width, int height);

struct TBounds {
  int left = 0, top = 0, width = 0, height = 0;
  bool operator==(const TBounds& other) const {
    return left == other.left && top == other.top && width == other.width && height == other.height;
  }
};

// The restored window: 6/8 of the work area, placed at an eighth of its size measured from 0.
TBounds RestoredBounds(int workWidth, int workHeight);

// Left edge of a control placed at designLeft that keeps its distance from the right edge.
int RightAnchoredLeft(int designLeft, int clientWidth);

// The record-failed hint: 20 toggles of its visibility, one per timer tick, ending hidden.
class TBlinkSchedule {
 public:
  static constexpr int kToggles = 20;
  static constexpr int kIntervalMs = 500;
  // Starts (or restarts) the count; the visibility goes on from where it is.
  void Start();
  // One tick: toggles the visibility; the last one stops the schedule and hides the hint.
  void Tick();
  void Stop();
  bool Running() const { return fRunning; }
  bool Visible() const { return fVisible; }

 private:
  int fCounter = 0;
  bool fRunning = false;
  bool fVisible = false;
};

// Free space for the user on the system drive; known is false when it could not be found.
bool IsDiskSpaceLow(bool known, uint64_t freeBytes);

enum class TMicrophoneAction { maWarnNoDevice, maOfferTest, maUseStored };

// deviceCount: recording devices present; stored: whether "MicrophoneDeviceId2" exists as a DWORD (a value of
// another type counts as missing), storedId its value read as a signed number (a stored 0xFFFFFFFF is -1).
TMicrophoneAction ChooseMicrophoneAction(int deviceCount, bool stored, int32_t storedId);
