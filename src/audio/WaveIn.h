#pragma once
// The input side of the wave device engine: opens a wave-in device, keeps the ring queued and hands every
// returned buffer to ConsumeData.
#include "audio/WaveIO.h"

extern TWaveCalls WaveInCalls;

class TWaveAudioIn : public TWaveAudioIO {
 public:
  static UINT NumDevs() { return WaveInCalls.getNumDevs(); }
  void SetPCMFormat(TPCMFormat format);

 protected:
  TWaveAudioIn();

  void HandleInputOpen() override;
  void HandleInputData(WAVEHDR* header) override;
  // The record of PCMFormat; the stock recorder also starts its WAV image here.
  const TWaveFormatEx* ObtainFormat(TWaveFormatEx& scratch) override;
  void QueueInitialBuffers() override;

  // Takes the recorded bytes of one buffer.
  virtual void ConsumeData(const void* data, size_t size) = 0;

 private:
  bool fPaused = false;
  TPCMFormat fPCMFormat = Mono16bit8000Hz;
};
