#pragma once
// WAV images in seekable byte streams: the adapter that writes and parses the RIFF/WAVE layout,
// the in-memory wave, the wave file and the storage component that owns a wave.
//
// A rewrite pass always writes "RIFF" size "WAVE", one "fmt " chunk with the whole record (18 + cbSize
// bytes) and one "data" chunk; the stream ends right after the last audio byte (the RIFF size still counts
// the pad byte of an odd data chunk, as the multimedia file routines write it). Parsing accepts any chunk
// order with "fmt " before "data" and reads only headers: the audio is never copied to find it.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "audio/WaveUtils.h"
#include "base/Streams.h"

enum TWaveStreamState { wssReady, wssReading, wssWriting };
enum TStreamOwnership { soReference, soOwned };

class TWaveStreamAdapter;
using TWaveNotifyEvent = std::function<void(TWaveStreamAdapter& sender)>;

// Every operation reports failure by its result; the adapter raises nothing itself, except that the
// file operations pass on the file stream's open or create error.
class TWaveStreamAdapter {
 public:
  TWaveStreamAdapter(TStream* stream, TStreamOwnership ownership);
  TWaveStreamAdapter(const TWaveStreamAdapter&) = delete;
  TWaveStreamAdapter& operator=(const TWaveStreamAdapter&) = delete;
  virtual ~TWaveStreamAdapter();

  TStream& Stream() const { return *fStream; }
  TWaveStreamState State() const { return fState; }
  bool Valid() { return ReadDetails(); }
  bool Empty() const;
  uint32_t DataSize();
  int64_t DataOffset();
  // The record read from the image (18 + cbSize bytes), null when the image is not valid.
  const TWaveFormatEx* WaveFormat();
  TPCMFormat PCMFormat();
  uint32_t Length();  // milliseconds of audio
  // Bytes relative to the first audio byte during a pass; −1 (get) or ignored (set) otherwise.
  int64_t Position() const;
  void SetPosition(int64_t position);

  void SetOnChanging(TWaveNotifyEvent handler) { fOnChanging = std::move(handler); }
  void SetOnChange(TWaveNotifyEvent handler) { fOnChange = std::move(handler); }

  bool SameWaveFormat(const TWaveFormatEx* format);
  bool LoadFromStream(TStream& source);
  bool SaveToStream(TStream& target);
  bool LoadFromFile(const std::wstring& fileName);
  bool SaveToFile(const std::wstring& fileName);
  void Clear();
  void Refresh() { fModified = true; }

  bool BeginRewrite(const TWaveFormatEx* format);
  bool BeginRewritePCM(TPCMFormat preset);
  int64_t Write(const void* buffer, int64_t count);  // −1 unless a rewrite pass is open
  bool EndRewrite();
  bool BeginRead();
  int64_t Read(void* buffer, int64_t count);  // −1 unless a read pass is open
  bool EndRead();

  // The audio bytes: in place for a memory stream unless a copy is forced, else a copy that
  // ReleaseData frees (writing it back first when asked). Null when there is no audio.
  void* AccessData(bool forceCopy);
  void ReleaseData(void* data, bool writeBack);

 protected:
  virtual bool ReadDetails();
  virtual void NotifyChanging();
  virtual void NotifyChange();

 private:
  bool Parse();
  void ForgetDetails();

  TStream* fStream;
  TStreamOwnership fOwnership;
  bool fModified = true;
  bool fValid = false;
  uint32_t fDataSize = 0;
  int64_t fDataOffset = 0;
  std::vector<uint8_t> fWaveFormat;  // empty when not valid
  TWaveNotifyEvent fOnChanging, fOnChange;
  TWaveStreamState fState = wssReady;
  int64_t fPassOffset = 0;  // stream offset of the next transfer of the open pass
  int64_t fDataEnd = 0;     // end of the audio written by the open rewrite pass
};

// A wave in a memory stream of its own.
class TWave : public TWaveStreamAdapter {
 public:
  TWave();
  TMemoryStream& Memory() { return static_cast<TMemoryStream&>(Stream()); }
};

// A wave in a file, opened with a TFileStream mode; a missing or locked file raises EFOpenError.
class TWaveFile : public TWaveStreamAdapter {
 public:
  TWaveFile(const std::wstring& fileName, uint32_t mode);
};

// The non-visual holder of one wave.
class TWaveStorage {
 public:
  TWave& Wave() { return fWave; }
  // Copies the given wave's image; null clears the owned wave.
  void SetWave(TWaveStreamAdapter* value);

 private:
  TWave fWave;
};
