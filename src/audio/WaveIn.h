#pragma once
// The input side of the wave device engine: opens a wave-in device, keeps the buffer ring queued and hands
// every returned buffer to ConsumeData.
#include "audio/WaveIO.h"

class TWaveAudioIn : public TWaveDevice<HWAVEIN, WAVEINCAPSW> {
 public:
  TPCMFormat PCMFormat() const { return fPCMFormat; }
  void SetPCMFormat(TPCMFormat format);

 protected:
  TWaveAudioIn();

  void HandleInputOpen() override;
  void HandleInputClose() override;
  void HandleInputData(WAVEHDR* header) override;
  const TWaveFormatEx* FormatToOpen(TWaveFormatEx& scratch) override;
  void QueueInitialBuffers() override;

  // The record to open the device with; the stock recorder also starts its WAV image here.
  virtual TWaveFormatEx ObtainFormat();
  // Takes the recorded bytes of one buffer.
  virtual void ConsumeData(const void* data, size_t size) = 0;

 private:
  bool QueueBuffer(TWaveBuffer& buffer);

  bool fPaused = false;
  TPCMFormat fPCMFormat = Mono16bit8000Hz;
};
