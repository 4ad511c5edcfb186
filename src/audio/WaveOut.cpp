#include "audio/WaveOut.h"

namespace {

HWAVEOUT Out(HWAVE handle) { return reinterpret_cast<HWAVEOUT>(handle); }

}  // namespace

TWaveCalls WaveOutCalls = {
    [] { return waveOutGetNumDevs(); },
    [](MMRESULT code, LPWSTR text, UINT size) { return waveOutGetErrorTextW(code, text, size); },
    [](UINT id, std::wstring& name) {
      WAVEOUTCAPSW caps{};
      const MMRESULT result = waveOutGetDevCapsW(id, &caps, sizeof caps);
      if (result == MMSYSERR_NOERROR) name = caps.szPname;
      return result;
    },
    [](HWAVE* handle, UINT id, const WAVEFORMATEX* format, DWORD_PTR callback, DWORD flags) {
      HWAVEOUT opened = nullptr;
      const MMRESULT result = waveOutOpen(handle ? &opened : nullptr, id, format, callback, 0, flags);
      if (handle) *handle = reinterpret_cast<HWAVE>(opened);
      return result;
    },
    [](HWAVE handle, WAVEHDR* header) { return waveOutPrepareHeader(Out(handle), header, sizeof *header); },
    [](HWAVE handle, WAVEHDR* header) { return waveOutWrite(Out(handle), header, sizeof *header); },
    [](HWAVE handle, WAVEHDR* header) { return waveOutUnprepareHeader(Out(handle), header, sizeof *header); },
    [](HWAVE handle) { return waveOutRestart(Out(handle)); },
    [](HWAVE handle) { return waveOutReset(Out(handle)); },
    [](HWAVE handle) { return waveOutClose(Out(handle)); },
    MM_WOM_CLOSE};

TWaveAudioOut::TWaveAudioOut() : TWaveAudioIO(WaveOutCalls, TReopen::Refuse) {}

void TWaveAudioOut::HandleOutputOpen() {
  EndOnFailure([this] { DeviceOpened(); });
}

// One fill request; each fill asks for the next until the ring is playing.
void TWaveAudioOut::QueueInitialBuffers() { PostRequest(MM_WOM_DONE); }

bool TWaveAudioOut::PlayBuffer(TWaveBuffer& buffer) {
  const size_t produced = ProduceData(buffer.data.data(), buffer.data.size());
  if (produced == 0) return false;
  buffer.header.dwBufferLength = static_cast<DWORD>(produced);
  // The level belongs to the audio that is about to play.
  FireLevel(buffer.data.data(), produced);
  QueueBuffer(buffer);
  return true;
}

void TWaveAudioOut::HandleOutputDone(WAVEHDR* header) {
  // A returned buffer, or a fill request of this component (no header).
  TWaveBuffer* buffer = header ? BufferBack(header) : FreeBuffer();
  if (header && !buffer) return;
  EndOnFailure([&] {
    HandleBuffer([&] {
      if (fClosing || !buffer) return;
      if (!PlayBuffer(*buffer))
        fClosing = true;  // the end of the data: the buffers still playing finish it
      else if (!header && FreeBuffer())
        PostRequest(MM_WOM_DONE);
    });
  });
}

void TWaveAudioOut::EndOnFailure(const std::function<void()>& step) {
  try {
    step();
  } catch (...) {
    if (Active() && !fClosing) {
      fClosing = true;
      if (!AnyQueued()) ReleaseDevice();
    }
    throw;
  }
}
