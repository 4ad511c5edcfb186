#include "audio/WaveIn.h"

namespace {

HWAVEIN In(HWAVE handle) { return reinterpret_cast<HWAVEIN>(handle); }

}  // namespace

TWaveCalls WaveInCalls = {
    [] { return waveInGetNumDevs(); },
    [](MMRESULT code, LPWSTR text, UINT size) { return waveInGetErrorTextW(code, text, size); },
    [](UINT id, std::wstring& name) {
      WAVEINCAPSW caps{};
      const MMRESULT result = waveInGetDevCapsW(id, &caps, sizeof caps);
      if (result == MMSYSERR_NOERROR) name = caps.szPname;
      return result;
    },
    [](HWAVE* handle, UINT id, const WAVEFORMATEX* format, DWORD_PTR callback, DWORD flags) {
      HWAVEIN opened = nullptr;
      const MMRESULT result = waveInOpen(handle ? &opened : nullptr, id, format, callback, 0, flags);
      if (handle) *handle = reinterpret_cast<HWAVE>(opened);
      return result;
    },
    [](HWAVE handle, WAVEHDR* header) { return waveInPrepareHeader(In(handle), header, sizeof *header); },
    [](HWAVE handle, WAVEHDR* header) { return waveInAddBuffer(In(handle), header, sizeof *header); },
    [](HWAVE handle, WAVEHDR* header) { return waveInUnprepareHeader(In(handle), header, sizeof *header); },
    [](HWAVE handle) { return waveInStart(In(handle)); },
    [](HWAVE handle) { return waveInReset(In(handle)); },
    [](HWAVE handle) { return waveInClose(In(handle)); },
    MM_WIM_CLOSE};

TWaveAudioIn::TWaveAudioIn() : TWaveAudioIO(WaveInCalls, TReopen::AfterClose) {}

void TWaveAudioIn::SetPCMFormat(TPCMFormat format) {
  if (format == fPCMFormat) return;
  if (fHandle) throw EWaveAudioInvalidOperation(L"Audio format cannot be changed while device is open");
  fPCMFormat = format;
}

const TWaveFormatEx* TWaveAudioIn::ObtainFormat(TWaveFormatEx& scratch) {
  FillPcmFormat(scratch, fPCMFormat);
  return &scratch;
}

void TWaveAudioIn::HandleInputOpen() {
  DeviceOpened();
  // A stop that came before this message may already have closed the device.
  if (!fPaused && !fClosing) {
    fPaused = true;  // stays so when the start fails
    CheckResult(fCalls.start(fHandle));
    fPaused = false;
  }
}

void TWaveAudioIn::QueueInitialBuffers() {
  for (TWaveBuffer& buffer : fRing) QueueBuffer(buffer);
}

void TWaveAudioIn::HandleInputData(WAVEHDR* header) {
  TWaveBuffer* buffer = BufferBack(header);
  if (!buffer) return;
  HandleBuffer([&] {
    if (header->dwBytesRecorded > 0) {
      FireLevel(buffer->data.data(), header->dwBytesRecorded);
      ConsumeData(buffer->data.data(), header->dwBytesRecorded);
    }
    if (!fClosing) QueueBuffer(*buffer);
  });
}
