#pragma once
// The output side of the wave device engine: opens a wave-out device and keeps the ring playing, each buffer
// filled by ProduceData; the end of the data closes the device once the last buffer has played.
#include "audio/WaveIO.h"

extern TWaveCalls WaveOutCalls;

class TWaveAudioOut : public TWaveAudioIO {
 public:
  static UINT NumDevs() { return WaveOutCalls.getNumDevs(); }

 protected:
  TWaveAudioOut();

  void HandleOutputOpen() override;
  void HandleOutputDone(WAVEHDR* header) override;
  void QueueInitialBuffers() override;

  // Fills up to size bytes; fewer at the end of the data.
  virtual size_t ProduceData(void* buffer, size_t size) = 0;

 private:
  // Fills the buffer and sends it to the device; false at the end of the data.
  bool PlayBuffer(TWaveBuffer& buffer);
  // A device that refuses a step ends the playback: the buffers still playing finish it, and with none left the
  // device goes here, or it never would.
  void EndOnFailure(const std::function<void()>& step);
};
