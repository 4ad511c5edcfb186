#include "audio/WaveRecorders.h"

TStockAudioRecorder::~TStockAudioRecorder() { Shutdown(); }

bool TStockAudioRecorder::RecordToStream(TStream& stream) { return RecordTo(&stream, soReference); }

void TStockAudioRecorder::SetActive(bool active) {
  if (!active && Active()) Stop();
}

bool TStockAudioRecorder::RecordTo(TStream* stream, TStreamOwnership ownership) {
  return OpenDeviceWith(Wave, std::make_unique<TWaveStreamAdapter>(stream, ownership));
}

TWaveFormatEx TStockAudioRecorder::ObtainFormat() {
  const TWaveFormatEx format = TWaveAudioIn::ObtainFormat();
  // Started before the device is asked, so that a refused format still leaves an empty image.
  if (Wave) Wave->BeginRewrite(&format);
  return format;
}

void TStockAudioRecorder::ConsumeData(const void* data, size_t size) {
  const int64_t written = Wave ? Wave->Write(data, static_cast<int64_t>(size)) : -1;
  if (written < static_cast<int64_t>(size)) CheckResult(MMSYSERR_ERROR);
}

void TStockAudioRecorder::FinishWave() {
  if (!Wave) return;
  Wave->EndRewrite();
  Wave.reset();
}

void TStockAudioRecorder::HandleInputClose() {
  FinishWave();
  TWaveAudioIn::HandleInputClose();
}

void TStockAudioRecorder::FireError() {
  if (!Active()) FinishWave();
  TWaveAudioIn::FireError();
}
