#pragma once
// The output side of the wave device engine: opens a wave-out device and keeps up to BufferCount buffers
// playing, each filled by ProduceData; the end of the data closes the device once the last buffer has played.
#include "audio/WaveIO.h"

class TWaveAudioOut : public TWaveDevice<HWAVEOUT, WAVEOUTCAPSW> {
 protected:
  TWaveAudioOut();

  void HandleOutputOpen() override;
  void HandleOutputClose() override;
  void HandleOutputDone(WAVEHDR* header) override;
  const TWaveFormatEx* FormatToOpen(TWaveFormatEx&) override { return ObtainFormat(); }
  void QueueInitialBuffers() override;

  // The record to play with (18 + cbSize bytes), or null when the source has none.
  virtual const TWaveFormatEx* ObtainFormat() = 0;
  // Fills up to size bytes; fewer at the end of the data.
  virtual size_t ProduceData(void* buffer, size_t size) = 0;

 private:
  // Fills the buffer and sends it to the device; false at the end of the data.
  bool PlayBuffer(TWaveBuffer& buffer);
};
