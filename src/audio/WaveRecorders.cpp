#include "audio/WaveRecorders.h"

TStockAudioRecorder::~TStockAudioRecorder() { Shutdown(); }

bool TStockAudioRecorder::RecordToStream(TStream& stream) {
  return OpenDeviceWith(Wave, std::make_unique<TWaveStreamAdapter>(&stream, soReference));
}

void TStockAudioRecorder::SetActive(bool active) {
  if (!active && Active()) Stop();
}

const TWaveFormatEx* TStockAudioRecorder::ObtainFormat(TWaveFormatEx& scratch) {
  const TWaveFormatEx* format = TWaveAudioIn::ObtainFormat(scratch);
  // Started before the device is asked, so that a refused format still leaves an empty image.
  Wave->BeginRewrite(format);
  return format;
}

void TStockAudioRecorder::ConsumeData(const void* data, size_t size) {
  if (Wave->Write(data, static_cast<int64_t>(size)) < static_cast<int64_t>(size)) CheckResult(MMSYSERR_ERROR);
}

void TStockAudioRecorder::HandleInputClose() {
  Wave.reset();
  TWaveAudioIn::HandleInputClose();
}
