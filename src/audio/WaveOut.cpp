#include "audio/WaveOut.h"

std::wstring TWaveAudioOut::DeviceName() {
  WAVEOUTCAPSW caps{};
  if (waveOutGetDevCapsW(static_cast<UINT_PTR>(fDeviceID), &caps, sizeof caps) != MMSYSERR_NOERROR) return L"";
  return caps.szPname;
}

std::wstring TWaveAudioOut::ErrorText(MMRESULT code) {
  wchar_t text[256] = L"";
  if (waveOutGetErrorTextW(code, text, 256) != MMSYSERR_NOERROR) return L"";
  return text;
}

MMRESULT TWaveAudioOut::CheckDevice(int id) {
  WAVEOUTCAPSW caps{};
  return waveOutGetDevCapsW(static_cast<UINT_PTR>(id), &caps, sizeof caps);
}

MMRESULT TWaveAudioOut::QueryDevice(const TWaveFormatEx& format) {
  return waveOutOpen(nullptr, static_cast<UINT>(fDeviceID), reinterpret_cast<const WAVEFORMATEX*>(&format), 0, 0,
                     WAVE_FORMAT_QUERY);
}

bool TWaveAudioOut::OpenDevice() {
  if (Active()) throw EWaveAudioInvalidOperation(L"Device is aleardy open");
  if (fOpening) return false;
  if (fClosing) WaitForStop();
  std::lock_guard<std::recursive_mutex> lock(CS);
  fOpening = true;
  struct TOpening {
    std::atomic<bool>& flag;
    ~TOpening() { flag = false; }
  } opening{fOpening};

  const TWaveFormatEx* format = ObtainFormat();
  // A source without a format fails like a format the device refuses.
  if (!CheckResult(format ? QueryDevice(*format) : static_cast<MMRESULT>(WAVERR_BADFORMAT))) return false;
  WaveFormat = *format;
  WaveFormat.cbSize = 0;
  CreateCallback();
  try {
    if (CheckResult(waveOutOpen(&fHandle, static_cast<UINT>(fDeviceID), reinterpret_cast<const WAVEFORMATEX*>(format),
                                CallbackTarget(), 0, CallbackType())))
      return true;
  } catch (...) {
    fHandle = nullptr;
    ReleaseCallback();
    throw;
  }
  fHandle = nullptr;
  ReleaseCallback();
  return false;
}

void TWaveAudioOut::HandleOutputOpen() { DeviceOpened(); }

void TWaveAudioOut::QueueInitialBuffers() {
  if (BufferTotal() == 0 && fHandle && !fClosing) PostRequest(MM_WOM_DONE);
}

bool TWaveAudioOut::PlayBuffer(TWaveBuffer& buffer) {
  const size_t size = BufferSizeForMs(WaveFormat, BufferLength());
  buffer.Resize(size);
  const size_t produced = ProduceData(buffer.data.data(), size);
  if (produced == 0) return false;
  if (produced < size) buffer.Resize(produced);
  WAVEHDR& header = buffer.header;
  if (!CheckResult(waveOutPrepareHeader(fHandle, &header, sizeof header))) return true;
  // The level belongs to the audio that is about to play.
  FireLevel(buffer.data.data(), produced);
  try {
    if (CheckResult(waveOutWrite(fHandle, &header, sizeof header))) return true;
  } catch (...) {
    waveOutUnprepareHeader(fHandle, &header, sizeof header);
    throw;
  }
  waveOutUnprepareHeader(fHandle, &header, sizeof header);
  return true;
}

void TWaveAudioOut::HandleOutputDone(WAVEHDR* header) {
  TWaveBuffer* buffer = nullptr;
  if (header) {
    buffer = BufferOf(header);
    if (!buffer) return;
    CheckResult(waveOutUnprepareHeader(fHandle, header, sizeof *header));
  }
  try {
    const bool wanted = header ? BufferTotal() <= BufferCount() : BufferTotal() < BufferCount();
    if (!fClosing && wanted) {
      if (!buffer) buffer = AllocateBuffer(0);
      if (!PlayBuffer(*buffer)) {
        fClosing = true;  // the end of the data: the buffers still playing finish it
      } else if (BufferTotal() < BufferCount()) {
        PostRequest(MM_WOM_DONE);
      }
    }
    if (buffer && !(buffer->header.dwFlags & WHDR_PREPARED)) ReleaseBuffer(buffer);
  } catch (...) {
    if (buffer) {
      if (buffer->header.dwFlags & WHDR_PREPARED) waveOutUnprepareHeader(fHandle, &buffer->header, sizeof(WAVEHDR));
      ReleaseBuffer(buffer);
    }
    if (fClosing && BufferTotal() == 0) waveOutClose(fHandle);
    throw;
  }
  if (fClosing && BufferTotal() == 0) CheckResult(CloseDeviceHandle());
}

void TWaveAudioOut::HandleOutputClose() {
  fHandle = nullptr;
  DeviceClosed();
}
