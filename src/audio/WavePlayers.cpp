#include "audio/WavePlayers.h"

TStockAudioPlayer::~TStockAudioPlayer() { Shutdown(); }

bool TStockAudioPlayer::PlayFile(const std::wstring& fileName) {
  auto file = std::make_unique<TWaveStreamAdapter>(new TFileStream(fileName, fmOpenRead | fmShareDenyWrite), soOwned);
  return OpenDeviceWith(Wave, std::move(file));
}

void TStockAudioPlayer::SetActive(bool active) {
  if (!active && Active()) Stop();
}

const TWaveFormatEx* TStockAudioPlayer::ObtainFormat(TWaveFormatEx&) {
  return Wave->BeginRead() ? Wave->WaveFormat() : nullptr;
}

size_t TStockAudioPlayer::ProduceData(void* buffer, size_t size) {
  const int64_t read = Wave->Read(buffer, static_cast<int64_t>(size));
  return read > 0 ? static_cast<size_t>(read) : 0;
}

void TStockAudioPlayer::HandleOutputClose() {
  Wave.reset();
  TWaveAudioOut::HandleOutputClose();
}
