#include "testkit/WaveFaults.h"

#include <mutex>
#include <set>

#include "audio/WaveIO.h"

namespace {

std::mutex gLock;
TWaveFault gFault{0, MMSYSERR_NOERROR};
int gPassed = 0, gFailed = 0;
std::set<void*> gUnclosed;    // opened, and the component has not asked to close them
std::set<HWAVEIN> gDriverIn;  // still open at the driver
std::set<HWAVEOUT> gDriverOut;

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

std::set<HWAVEIN>& DriverOpen(HWAVEIN) { return gDriverIn; }
std::set<HWAVEOUT>& DriverOpen(HWAVEOUT) { return gDriverOut; }

// The faulty functions of one direction, over the real ones saved when the fault is put in place.
template <typename Handle, typename Caps>
struct TFaulty {
  static inline TWaveCalls<Handle, Caps> real{};

  static MMRESULT WINAPI GetDevCaps(UINT_PTR id, Caps* caps, UINT size) {
    return Fails(wcDevCaps) ? gFault.code : real.getDevCaps(id, caps, size);
  }
  static MMRESULT WINAPI Open(Handle* handle, UINT id, LPCWAVEFORMATEX format, DWORD_PTR callback, DWORD_PTR instance,
                              DWORD flags) {
    const bool query = (flags & WAVE_FORMAT_QUERY) != 0;
    if (Fails(query ? wcQuery : wcOpen)) return gFault.code;
    const MMRESULT result = real.open(handle, id, format, callback, instance, flags);
    if (!query && result == MMSYSERR_NOERROR) {
      std::lock_guard<std::mutex> hold(gLock);
      gUnclosed.insert(*handle);
      DriverOpen(*handle).insert(*handle);
    }
    return result;
  }
  static MMRESULT WINAPI Prepare(Handle handle, LPWAVEHDR header, UINT size) {
    return Fails(wcPrepare) ? gFault.code : real.prepareHeader(handle, header, size);
  }
  static MMRESULT WINAPI Queue(Handle handle, LPWAVEHDR header, UINT size) {
    return Fails(wcQueue) ? gFault.code : real.queue(handle, header, size);
  }
  static MMRESULT WINAPI Unprepare(Handle handle, LPWAVEHDR header, UINT size) {
    return Fails(wcUnprepare) ? gFault.code : real.unprepareHeader(handle, header, size);
  }
  static MMRESULT WINAPI Start(Handle handle) { return Fails(wcStart) ? gFault.code : real.start(handle); }
  static MMRESULT WINAPI Reset(Handle handle) { return Fails(wcReset) ? gFault.code : real.reset(handle); }
  static MMRESULT WINAPI Close(Handle handle) {
    {
      std::lock_guard<std::mutex> hold(gLock);
      gUnclosed.erase(handle);
    }
    if (Fails(wcClose)) return gFault.code;
    const MMRESULT result = real.close(handle);
    std::lock_guard<std::mutex> hold(gLock);
    if (result == MMSYSERR_NOERROR) DriverOpen(handle).erase(handle);
    return result;
  }

  static void PutInPlace(TWaveCalls<Handle, Caps>& table) {
    real = table;
    table.getDevCaps = GetDevCaps;
    table.open = Open;
    table.prepareHeader = Prepare;
    table.queue = Queue;
    table.unprepareHeader = Unprepare;
    table.start = Start;
    table.reset = Reset;
    table.close = Close;
  }
  // What a refused call left open at the driver: it gives the buffers back and closes.
  static void CloseAtTheDriver() {
    for (Handle handle : DriverOpen(Handle{})) {
      real.reset(handle);
      real.close(handle);
    }
    DriverOpen(Handle{}).clear();
  }
};

using TFaultyIn = TFaulty<HWAVEIN, WAVEINCAPSW>;
using TFaultyOut = TFaulty<HWAVEOUT, WAVEOUTCAPSW>;

}  // namespace

TWaveFaults::TWaveFaults(const TWaveFault& fault) {
  {
    std::lock_guard<std::mutex> hold(gLock);
    gFault = fault;
    gPassed = gFailed = 0;
    gUnclosed.clear();
  }
  TFaultyIn::PutInPlace(WaveInCalls);
  TFaultyOut::PutInPlace(WaveOutCalls);
}

TWaveFaults::~TWaveFaults() {
  WaveInCalls = TFaultyIn::real;
  WaveOutCalls = TFaultyOut::real;
  TFaultyIn::CloseAtTheDriver();
  TFaultyOut::CloseAtTheDriver();
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
