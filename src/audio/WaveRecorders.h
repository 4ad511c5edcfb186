#pragma once
// The stock recorder: writes a complete WAV image into any byte stream.
#include <memory>

#include "audio/WaveIn.h"
#include "audio/WaveStorage.h"

class TStockAudioRecorder : public TWaveAudioIn {
 public:
  TStockAudioRecorder() = default;
  // Stops and waits until the WAV image in the target stream is complete.
  ~TStockAudioRecorder() override;

  // Records into the caller's stream; the stream must not be touched until the recorder has stopped.
  bool RecordToStream(TStream& stream);
  // Asks the device to close; raises "Device is aleardy close" when idle.
  bool Stop() { return CloseDevice(); }
  // false stops a recording; an idle recorder stays as it is.
  void SetActive(bool active);

 protected:
  const TWaveFormatEx* ObtainFormat(TWaveFormatEx& scratch) override;
  void ConsumeData(const void* data, size_t size) override;
  void HandleInputClose() override;

 private:
  // The image goes with it: the adapter finishes its rewrite when it is freed.
  std::unique_ptr<TWaveStreamAdapter> Wave;
};
