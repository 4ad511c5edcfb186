#include "audio/WavePlayers.h"

TStockAudioPlayer::~TStockAudioPlayer() { Shutdown(); }

bool TStockAudioPlayer::PlayFile(const std::wstring& fileName) {
  return PlayFrom(new TFileStream(fileName, fmOpenRead | fmShareDenyWrite), soOwned);
}

void TStockAudioPlayer::SetActive(bool active) {
  if (!active && Active()) Stop();
}

bool TStockAudioPlayer::PlayFrom(TStream* stream, TStreamOwnership ownership) {
  return OpenDeviceWith(Wave, std::make_unique<TWaveStreamAdapter>(stream, ownership));
}

const TWaveFormatEx* TStockAudioPlayer::ObtainFormat() {
  if (!Wave || !Wave->BeginRead()) return nullptr;
  return Wave->WaveFormat();
}

size_t TStockAudioPlayer::ProduceData(void* buffer, size_t size) {
  const int64_t read = Wave ? Wave->Read(buffer, static_cast<int64_t>(size)) : -1;
  return read > 0 ? static_cast<size_t>(read) : 0;
}

void TStockAudioPlayer::HandleOutputClose() {
  Wave.reset();
  TWaveAudioOut::HandleOutputClose();
}

void TStockAudioPlayer::FireError() {
  if (!Active()) Wave.reset();
  TWaveAudioOut::FireError();
}
