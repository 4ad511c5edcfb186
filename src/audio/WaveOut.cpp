#include "audio/WaveOut.h"

TWaveAudioOut::TWaveAudioOut()
    : TWaveDevice(TReopen::Refuse, {waveOutGetErrorTextW, waveOutGetDevCapsW, waveOutOpen, waveOutReset, waveOutClose,
                                    waveOutUnprepareHeader, MM_WOM_CLOSE}) {}

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
    UnprepareHeader(header);
    throw;
  }
  UnprepareHeader(header);
  return true;
}

void TWaveAudioOut::HandleOutputDone(WAVEHDR* header) {
  TWaveBuffer* buffer = nullptr;
  if (header) {
    buffer = BufferOf(header);
    if (!buffer) return;
  }
  // A failing unprepare too drops the buffer, so that the last one back still closes the device.
  HandleBuffer(buffer, [&] {
    if (header) CheckResult(UnprepareHeader(*header));
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
  });
}

void TWaveAudioOut::HandleOutputClose() {
  fHandle = nullptr;
  DeviceClosed();
}
