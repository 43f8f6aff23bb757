#include "platform/directx/software/SoftwareDriver.h"

#include "platform/directx/DeviceDescription.h"
#include "platform/directx/software/RasterTypes.h"
#include "platform/directx/software/SoftwarePipeline.h"

namespace dx::software {
namespace {

constexpr DWORD kDepthBufferBitDepths = DDBD_16 | DDBD_24 | DDBD_32;

}  // namespace

const GUID& SoftwareDriver::Guid() const {
  return IID_IDirect3DRGBDevice;
}

std::string SoftwareDriver::Description() const {
  return "Quennet software rasteriser";
}

std::string SoftwareDriver::Name() const {
  return "RGB Emulation";
}

void SoftwareDriver::Describe(D3DDEVICEDESC& hardware, D3DDEVICEDESC& software) const {
  DeviceTraits traits;
  // Vertices, textures and pre-transformed vertices all live in system memory.
  traits.devCaps = D3DDEVCAPS_FLOATTLVERTEX | D3DDEVCAPS_TLVERTEXSYSTEMMEMORY;
  traits.maxActiveLights = 0;  // no limit on the number of lights
  traits.zBufferBitDepths = kDepthBufferBitDepths;
  traits.maxTextureSize = 4096;
  traits.maxTextureRepeat = 8192;
  traits.maxTextureAspectRatio = 4096;
  traits.guardBand = kGuardBand;
  traits.texCoordSets = kMaxTexCoordSets;
  DescribeDevice(traits, hardware, software);
}

std::vector<DDPIXELFORMAT> SoftwareDriver::ZBufferFormats() const {
  return DepthBufferFormats(kDepthBufferBitDepths);
}

std::unique_ptr<Pipeline> SoftwareDriver::CreatePipeline(SurfaceData& target, HRESULT& hr) {
  if (target.format.dwRGBBitCount != 32 || target.width <= 0 || target.height <= 0) {
    hr = DDERR_INVALIDPIXELFORMAT;
    return nullptr;
  }
  hr = D3D_OK;
  return std::make_unique<SoftwarePipeline>();
}

std::shared_ptr<DeviceDriver> MakeSoftwareDriver() {
  return std::make_shared<SoftwareDriver>();
}

}  // namespace dx::software
