#pragma once
// The stock player: plays a complete WAV image from a file, reporting a level per buffer.
#include <memory>

#include "audio/WaveOut.h"
#include "audio/WaveStorage.h"

class TStockAudioPlayer : public TWaveAudioOut {
 public:
  TStockAudioPlayer() = default;
  ~TStockAudioPlayer() override;

  // Plays a file opened read-only with deny-write sharing; a missing file raises EFOpenError, a file that is
  // not a WAV image EWaveAudioSysError.
  bool PlayFile(const std::wstring& fileName);
  bool Stop() { return CloseDevice(); }
  // false stops a playback; an idle player stays as it is.
  void SetActive(bool active);

 protected:
  const TWaveFormatEx* ObtainFormat(TWaveFormatEx& scratch) override;
  size_t ProduceData(void* buffer, size_t size) override;
  void HandleOutputClose() override;

 private:
  std::unique_ptr<TWaveStreamAdapter> Wave;
};
