#include "audio/WaveOut.h"

TWaveAudioOut::TWaveAudioOut() : TWaveDevice(TReopen::Refuse) {}

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
  if (!CheckResult(PrepareHeader(header))) return true;
  // The level belongs to the audio that is about to play.
  FireLevel(buffer.data.data(), produced);
  try {
    if (CheckResult(QueueHeader(header))) return true;
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
  try {
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
  } catch (...) {
    // A device that refused a buffer ends the playback: the buffers still playing finish it, and with none left
    // the device closes here, or it never would.
    if (Active() && !fClosing) {
      fClosing = true;
      if (BufferTotal() == 0) CloseHandleOnce();
    }
    throw;
  }
}

void TWaveAudioOut::HandleOutputClose() {
  fHandle = nullptr;
  DeviceClosed();
}
