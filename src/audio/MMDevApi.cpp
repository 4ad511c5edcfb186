#include "audio/MMDevApi.h"

#include "base/untWindowsXP.h"

namespace {

const CLSID CLSID_MMDeviceEnumeratorClass = {
    0xBCDE0395, 0xE52F, 0x467C, {0x8E, 0x3D, 0xC4, 0x57, 0x92, 0x91, 0x69, 0x2E}};
const IID IID_IMMDeviceEnumeratorInterface = {
    0xA95664D2, 0x9614, 0x4F35, {0xA7, 0x46, 0xDE, 0x8D, 0xB6, 0x36, 0x17, 0xE6}};
const IID IID_IAudioEndpointVolumeInterface = {
    0x5CDF2C82, 0x841E, 0x4546, {0x97, 0x22, 0x0C, 0xF7, 0x40, 0x78, 0x22, 0x9A}};

}  // namespace

TComCalls ComCalls = {CoCreateInstance};

TEndpointVolume::TEndpointVolume() {
  // Before Vista there is no Core Audio, and where a compatibility layer reports XP the legacy mixer is the
  // route that such a system is known to have.
  if (!IsWindowsVistaOrLater()) return;
  if (FAILED(ComCalls.createInstance(CLSID_MMDeviceEnumeratorClass, nullptr, CLSCTX_INPROC_SERVER,
                                     IID_IMMDeviceEnumeratorInterface, deviceEnumerator.Receive())) ||
      !deviceEnumerator)
    return;
  IMMDevice* device = nullptr;
  if (FAILED(deviceEnumerator->GetDefaultAudioEndpoint(eRender, eConsole, &device)) || !device) return;
  defaultDevice = ComPtr<IMMDevice>(device);
  if (FAILED(defaultDevice->Activate(IID_IAudioEndpointVolumeInterface, CLSCTX_INPROC_SERVER, nullptr,
                                     endpointVolumeUnk.Receive())) ||
      !endpointVolumeUnk)
    return;
  endpointVolumeUnk->QueryInterface(IID_IAudioEndpointVolumeInterface, endpointVolume.Receive());
}
