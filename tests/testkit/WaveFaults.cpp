#include "testkit/WaveFaults.h"

#include <mutex>
#include <set>

#include "audio/WaveIn.h"
#include "audio/WaveOut.h"

namespace {

std::mutex gLock;
TWaveFault gFault{0, MMSYSERR_NOERROR};
int gPassed = 0, gFailed = 0;
std::set<HWAVE> gUnclosed;  // opened, and the component has not asked to close them

bool Fails(TWaveCall call) {
  std::lock_guard<std::mutex> hold(gLock);
  if (!(gFault.calls & call)) return false;
  if (gPassed < gFault.passes) {
    ++gPassed;
    return false;
  }
  if (gFault.times >= 0 && gFailed >= gFault.times) return false;
  ++gFailed;
  return true;
}

// The faulty functions of one direction, over the real ones saved when the fault is put in place.
template <TWaveCalls& table>
struct TFaulty {
  static inline TWaveCalls real{};
  static inline std::set<HWAVE> driverOpen;  // still open at the driver

  static MMRESULT GetDeviceName(UINT id, std::wstring& name) {
    return Fails(wcDevCaps) ? gFault.code : real.getDeviceName(id, name);
  }
  static MMRESULT Open(HWAVE* handle, UINT id, const WAVEFORMATEX* format, DWORD_PTR callback, DWORD flags) {
    const bool query = (flags & WAVE_FORMAT_QUERY) != 0;
    if (Fails(query ? wcQuery : wcOpen)) return gFault.code;
    const MMRESULT result = real.open(handle, id, format, callback, flags);
    if (!query && result == MMSYSERR_NOERROR) {
      std::lock_guard<std::mutex> hold(gLock);
      gUnclosed.insert(*handle);
      driverOpen.insert(*handle);
    }
    return result;
  }
  static MMRESULT Prepare(HWAVE handle, WAVEHDR* header) {
    return Fails(wcPrepare) ? gFault.code : real.prepareHeader(handle, header);
  }
  static MMRESULT Queue(HWAVE handle, WAVEHDR* header) {
    return Fails(wcQueue) ? gFault.code : real.queue(handle, header);
  }
  static MMRESULT Unprepare(HWAVE handle, WAVEHDR* header) {
    return Fails(wcUnprepare) ? gFault.code : real.unprepareHeader(handle, header);
  }
  static MMRESULT Start(HWAVE handle) { return Fails(wcStart) ? gFault.code : real.start(handle); }
  static MMRESULT Reset(HWAVE handle) { return Fails(wcReset) ? gFault.code : real.reset(handle); }
  static MMRESULT Close(HWAVE handle) {
    {
      std::lock_guard<std::mutex> hold(gLock);
      gUnclosed.erase(handle);
    }
    if (Fails(wcClose)) return gFault.code;
    const MMRESULT result = real.close(handle);
    std::lock_guard<std::mutex> hold(gLock);
    if (result == MMSYSERR_NOERROR) driverOpen.erase(handle);
    return result;
  }

  static void PutInPlace() {
    real = table;
    table.getDeviceName = GetDeviceName;
    table.open = Open;
    table.prepareHeader = Prepare;
    table.queue = Queue;
    table.unprepareHeader = Unprepare;
    table.start = Start;
    table.reset = Reset;
    table.close = Close;
  }
  // The real functions again; what a refused call left open at the driver gives its buffers back and closes.
  // A component's thread may still be closing its device meanwhile: the set is taken over under the lock.
  static void PutBack() {
    table = real;
    std::set<HWAVE> leftOpen;
    {
      std::lock_guard<std::mutex> hold(gLock);
      leftOpen.swap(driverOpen);
    }
    for (HWAVE handle : leftOpen) {
      real.reset(handle);
      real.close(handle);
    }
  }
};

using TFaultyIn = TFaulty<WaveInCalls>;
using TFaultyOut = TFaulty<WaveOutCalls>;

}  // namespace

TWaveFaults::TWaveFaults(const TWaveFault& fault) {
  {
    std::lock_guard<std::mutex> hold(gLock);
    gFault = fault;
    gPassed = gFailed = 0;
    gUnclosed.clear();
  }
  TFaultyIn::PutInPlace();
  TFaultyOut::PutInPlace();
}

TWaveFaults::~TWaveFaults() {
  TFaultyIn::PutBack();
  TFaultyOut::PutBack();
}

int TWaveFaults::OpenDevices() const {
  std::lock_guard<std::mutex> hold(gLock);
  return static_cast<int>(gUnclosed.size());
}

int TWaveFaults::Failures() const {
  std::lock_guard<std::mutex> hold(gLock);
  return gFailed;
}

std::wstring WaveInErrorText(MMRESULT code) {
  wchar_t text[256] = L"";
  waveInGetErrorTextW(code, text, 256);
  return text;
}

std::wstring WaveOutErrorText(MMRESULT code) {
  wchar_t text[256] = L"";
  waveOutGetErrorTextW(code, text, 256);
  return text;
}
