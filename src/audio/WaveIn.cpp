#include "audio/WaveIn.h"

std::wstring TWaveAudioIn::DeviceName() {
  WAVEINCAPSW caps{};
  if (waveInGetDevCapsW(static_cast<UINT_PTR>(fDeviceID), &caps, sizeof caps) != MMSYSERR_NOERROR) return L"";
  return caps.szPname;
}

void TWaveAudioIn::SetPCMFormat(TPCMFormat format) {
  if (format == fPCMFormat) return;
  if (fHandle) throw EWaveAudioInvalidOperation(L"Audio format cannot be changed while device is open");
  fPCMFormat = format;
}

std::wstring TWaveAudioIn::ErrorText(MMRESULT code) {
  wchar_t text[256] = L"";
  if (waveInGetErrorTextW(code, text, 256) != MMSYSERR_NOERROR) return L"";
  return text;
}

MMRESULT TWaveAudioIn::CheckDevice(int id) {
  WAVEINCAPSW caps{};
  return waveInGetDevCapsW(static_cast<UINT_PTR>(id), &caps, sizeof caps);
}

MMRESULT TWaveAudioIn::QueryDevice(const TWaveFormatEx& format) {
  return waveInOpen(nullptr, static_cast<UINT>(fDeviceID), reinterpret_cast<const WAVEFORMATEX*>(&format), 0, 0,
                    WAVE_FORMAT_QUERY);
}

TWaveFormatEx TWaveAudioIn::ObtainFormat() {
  TWaveFormatEx format{};
  FillPcmFormat(format, fPCMFormat);
  return format;
}

bool TWaveAudioIn::OpenDevice() {
  if (fOpening) return false;
  if (fClosing) WaitForStop();
  if (Active()) throw EWaveAudioInvalidOperation(L"Device is aleardy open");
  std::lock_guard<std::recursive_mutex> lock(CS);
  fOpening = true;
  struct TOpening {
    std::atomic<bool>& flag;
    ~TOpening() { flag = false; }
  } opening{fOpening};

  const TWaveFormatEx format = ObtainFormat();
  if (!CheckResult(QueryDevice(format))) return false;
  WaveFormat = format;
  CreateCallback();
  try {
    if (CheckResult(waveInOpen(&fHandle, static_cast<UINT>(fDeviceID), reinterpret_cast<const WAVEFORMATEX*>(&format),
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

void TWaveAudioIn::HandleInputOpen() {
  DeviceOpened();
  // A stop that came before this message may already have closed the device.
  if (!fPaused && !fClosing) {
    bool started = false;
    try {
      started = CheckResult(waveInStart(fHandle));
    } catch (...) {
      fPaused = true;
      throw;
    }
    fPaused = !started;
  }
}

void TWaveAudioIn::QueueInitialBuffers() {
  while (BufferTotal() < BufferCount() && fHandle && !fClosing) {
    TWaveBuffer* buffer = AllocateBuffer(BufferSizeForMs(WaveFormat, BufferLength()));
    bool queued = false;
    try {
      queued = QueueBuffer(*buffer);
    } catch (...) {
      ReleaseBuffer(buffer);
      throw;
    }
    if (!queued) {
      ReleaseBuffer(buffer);
      break;
    }
  }
}

bool TWaveAudioIn::QueueBuffer(TWaveBuffer& buffer) {
  WAVEHDR& header = buffer.header;
  const bool preparedHere = !(header.dwFlags & WHDR_PREPARED);
  if (preparedHere && !CheckResult(waveInPrepareHeader(fHandle, &header, sizeof header))) return false;
  try {
    if (CheckResult(waveInAddBuffer(fHandle, &header, sizeof header))) return true;
  } catch (...) {
    if (preparedHere) waveInUnprepareHeader(fHandle, &header, sizeof header);
    throw;
  }
  if (preparedHere) waveInUnprepareHeader(fHandle, &header, sizeof header);
  return false;
}

void TWaveAudioIn::HandleInputData(WAVEHDR* header) {
  TWaveBuffer* buffer = BufferOf(header);
  if (!buffer) return;
  try {
    if (CheckResult(waveInUnprepareHeader(fHandle, header, sizeof *header)) && header->dwBytesRecorded > 0) {
      FireLevel(buffer->data.data(), header->dwBytesRecorded);
      ConsumeData(buffer->data.data(), header->dwBytesRecorded);
    }
    if (!fClosing && BufferTotal() <= BufferCount()) {
      buffer->Resize(BufferSizeForMs(WaveFormat, BufferLength()));
      if (QueueBuffer(*buffer)) return;
    }
    ReleaseBuffer(buffer);
  } catch (...) {
    if (header->dwFlags & WHDR_PREPARED) waveInUnprepareHeader(fHandle, header, sizeof *header);
    ReleaseBuffer(buffer);
    if (fClosing && BufferTotal() == 0) waveInClose(fHandle);
    throw;
  }
  // The last buffer back closes the device when a close was asked for.
  if (fClosing && BufferTotal() == 0) CheckResult(CloseDeviceHandle());
}

void TWaveAudioIn::HandleInputClose() {
  fHandle = nullptr;
  DeviceClosed();
}
