#pragma once
// One owner for every kind of system handle: THandle<Traits> closes its handle with the traits' Close and
// can only be moved. A traits struct names the handle type, its empty value and how it is closed.
#include <windows.h>

#include <utility>

template <typename Traits>
class THandle {
 public:
  using Type = typename Traits::Type;

  THandle() = default;
  explicit THandle(Type handle) : fHandle(handle) {}
  THandle(THandle&& other) noexcept : fHandle(other.Release()) {}
  THandle& operator=(THandle&& other) noexcept {
    if (this != &other) Reset(other.Release());
    return *this;
  }
  THandle(const THandle&) = delete;
  THandle& operator=(const THandle&) = delete;
  ~THandle() { Reset(); }

  Type Get() const { return fHandle; }
  bool Valid() const { return fHandle != Traits::Empty(); }
  explicit operator bool() const { return Valid(); }
  // Closes the handle held and takes the given one.
  void Reset(Type handle = Traits::Empty()) {
    if (Valid()) Traits::Close(fHandle);
    fHandle = handle;
  }
  // Gives the handle up without closing it.
  Type Release() { return std::exchange(fHandle, Traits::Empty()); }
  // For the functions that return a handle through a pointer: closes the one held first.
  Type* Receive() {
    Reset();
    return &fHandle;
  }

 private:
  Type fHandle = Traits::Empty();
};

// Kernel objects: events, threads, processes, tokens, duplicated handles.
struct TKernelTraits {
  using Type = HANDLE;
  static Type Empty() { return nullptr; }
  static void Close(Type handle) { CloseHandle(handle); }
};
// Files, whose failed open is INVALID_HANDLE_VALUE rather than null.
struct TFileTraits {
  using Type = HANDLE;
  static Type Empty() { return INVALID_HANDLE_VALUE; }
  static void Close(Type handle) { CloseHandle(handle); }
};
struct TRegKeyTraits {
  using Type = HKEY;
  static Type Empty() { return nullptr; }
  static void Close(Type key) { RegCloseKey(key); }
};
// Fonts, bitmaps, brushes and pens.
template <typename Object>
struct TGdiTraits {
  using Type = Object;
  static Type Empty() { return nullptr; }
  static void Close(Type object) { DeleteObject(object); }
};
// Memory device contexts made with CreateCompatibleDC.
struct TMemoryDcTraits {
  using Type = HDC;
  static Type Empty() { return nullptr; }
  static void Close(Type dc) { DeleteDC(dc); }
};

using TKernelHandle = THandle<TKernelTraits>;
using TFileHandle = THandle<TFileTraits>;
using TRegKeyHandle = THandle<TRegKeyTraits>;
using TFontHandle = THandle<TGdiTraits<HFONT>>;
using TBitmapHandle = THandle<TGdiTraits<HBITMAP>>;
using TBrushHandle = THandle<TGdiTraits<HBRUSH>>;
using TPenHandle = THandle<TGdiTraits<HPEN>>;
using TMemoryDc = THandle<TMemoryDcTraits>;

// A COM interface pointer that holds one reference, released with the owner. Move-only like the handles: a
// second reference is taken only where it is asked for (Share, Copy).
// A recursive lock that gives its wait object back when it goes. The runtime's std::recursive_mutex is never
// destroyed (its destructor does nothing) and keeps the event it makes when a second thread first waits on it,
// so every such lock that ever saw contention left one handle behind.
class TRecursiveLock {
 public:
  TRecursiveLock() { InitializeCriticalSection(&fSection); }
  TRecursiveLock(const TRecursiveLock&) = delete;
  TRecursiveLock& operator=(const TRecursiveLock&) = delete;
  ~TRecursiveLock() { DeleteCriticalSection(&fSection); }

  void lock() { EnterCriticalSection(&fSection); }
  void unlock() { LeaveCriticalSection(&fSection); }

 private:
  CRITICAL_SECTION fSection;
};

template <typename Interface>
class ComPtr {
 public:
  ComPtr() = default;
  // Takes over a reference the caller owns.
  explicit ComPtr(Interface* pointer) : fPointer(pointer) {}
  ComPtr(ComPtr&& other) noexcept : fPointer(std::exchange(other.fPointer, nullptr)) {}
  ComPtr& operator=(ComPtr&& other) noexcept {
    if (this != &other) {
      Reset();
      fPointer = std::exchange(other.fPointer, nullptr);
    }
    return *this;
  }
  ComPtr(const ComPtr&) = delete;
  ComPtr& operator=(const ComPtr&) = delete;
  ~ComPtr() { Reset(); }

  // A reference of its own to a pointer someone else holds.
  static ComPtr Share(Interface* pointer) {
    if (pointer) pointer->AddRef();
    return ComPtr(pointer);
  }
  ComPtr Copy() const { return Share(fPointer); }

  Interface* Get() const { return fPointer; }
  Interface* operator->() const { return fPointer; }
  explicit operator bool() const { return fPointer != nullptr; }
  void Reset() {
    if (fPointer) fPointer->Release();
    fPointer = nullptr;
  }
  // Hands the reference over to the caller (an out parameter of a COM method).
  Interface* Detach() { return std::exchange(fPointer, nullptr); }

  // For out parameters (QueryInterface, CoCreateInstance, getters): releases the pointer held first.
  class TReceiver {
   public:
    explicit TReceiver(Interface** slot) : fSlot(slot) {}
    operator Interface**() const { return fSlot; }
    operator void**() const { return reinterpret_cast<void**>(fSlot); }

   private:
    Interface** fSlot;
  };
  TReceiver Receive() {
    Reset();
    return TReceiver(&fPointer);
  }

  // Asks the object for another of its interfaces.
  template <typename Other>
  HRESULT QueryInterface(ComPtr<Other>& other) const {
    return fPointer ? fPointer->QueryInterface(__uuidof(Other), other.Receive()) : E_POINTER;
  }

 private:
  Interface* fPointer = nullptr;
};
