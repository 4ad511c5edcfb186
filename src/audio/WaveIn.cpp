#include "audio/WaveIn.h"

TWaveAudioIn::TWaveAudioIn() : TWaveDevice(TReopen::AfterClose) {}

void TWaveAudioIn::SetPCMFormat(TPCMFormat format) {
  if (format == fPCMFormat) return;
  if (fHandle) throw EWaveAudioInvalidOperation(L"Audio format cannot be changed while device is open");
  fPCMFormat = format;
}

TWaveFormatEx TWaveAudioIn::ObtainFormat() {
  TWaveFormatEx format{};
  FillPcmFormat(format, fPCMFormat);
  return format;
}

const TWaveFormatEx* TWaveAudioIn::FormatToOpen(TWaveFormatEx& scratch) {
  scratch = ObtainFormat();
  return &scratch;
}

void TWaveAudioIn::HandleInputOpen() {
  DeviceOpened();
  // A stop that came before this message may already have closed the device.
  if (!fPaused && !fClosing) {
    bool started = false;
    try {
      started = CheckResult(StartDevice());
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
  if (preparedHere && !CheckResult(PrepareHeader(header))) return false;
  try {
    if (CheckResult(QueueHeader(header))) return true;
  } catch (...) {
    if (preparedHere) UnprepareHeader(header);
    throw;
  }
  if (preparedHere) UnprepareHeader(header);
  return false;
}

void TWaveAudioIn::HandleInputData(WAVEHDR* header) {
  TWaveBuffer* buffer = BufferOf(header);
  if (!buffer) return;
  HandleBuffer(buffer, [&] {
    if (CheckResult(UnprepareHeader(*header)) && header->dwBytesRecorded > 0) {
      FireLevel(buffer->data.data(), header->dwBytesRecorded);
      ConsumeData(buffer->data.data(), header->dwBytesRecorded);
    }
    if (!fClosing && BufferTotal() <= BufferCount()) {
      buffer->Resize(BufferSizeForMs(WaveFormat, BufferLength()));
      if (QueueBuffer(*buffer)) return;
    }
    ReleaseBuffer(buffer);
  });
}

void TWaveAudioIn::HandleInputClose() {
  fHandle = nullptr;
  DeviceClosed();
}
