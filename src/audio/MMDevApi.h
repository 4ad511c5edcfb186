#pragma once
// The Core Audio endpoint volume of the default playback device (Windows Vista and later). The interfaces are
// reached through COM alone and asked for only from Vista on, so the program still starts where Core Audio does not
// exist; there the route is simply absent and the legacy mixer stands in.
#include <windows.h>
// The interface declarations only: their identifiers are defined here, nothing is imported.
#include <endpointvolume.h>
#include <mmdeviceapi.h>

#include "base/untHandle.h"

// The COM creation of the route; CoCreateInstance unless a test puts its own in its place.
struct TComCalls {
  HRESULT(WINAPI* createInstance)(REFCLSID, LPUNKNOWN, DWORD, REFIID, LPVOID*);
};
extern TComCalls ComCalls;

// The four references of the route, held together and released together.
class TEndpointVolume {
 public:
  // Obtains the route on a thread where COM is initialised; any failure leaves it absent.
  TEndpointVolume();
  IAudioEndpointVolume* Get() const { return endpointVolume.Get(); }
  explicit operator bool() const { return static_cast<bool>(endpointVolume); }

 private:
  ComPtr<IMMDeviceEnumerator> deviceEnumerator;
  ComPtr<IMMDevice> defaultDevice;
  ComPtr<IUnknown> endpointVolumeUnk;
  ComPtr<IAudioEndpointVolume> endpointVolume;
};
