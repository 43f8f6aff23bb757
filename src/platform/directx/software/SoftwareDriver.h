// The software device as the front enumerates it: "RGB Emulation", always present, drawing
// with SoftwarePipeline into surfaces in ordinary memory.
#pragma once

#include <memory>

#include "platform/directx/Pipeline.h"

namespace dx::software {

class SoftwareDriver : public DeviceDriver {
 public:
  const GUID& Guid() const override;
  std::string Description() const override;
  std::string Name() const override;
  void Describe(D3DDEVICEDESC& hardware, D3DDEVICEDESC& software) const override;
  std::vector<DDPIXELFORMAT> ZBufferFormats() const override;
  std::unique_ptr<Pipeline> CreatePipeline(SurfaceData& target, HRESULT& hr) override;
};

std::shared_ptr<DeviceDriver> MakeSoftwareDriver();

}  // namespace dx::software
