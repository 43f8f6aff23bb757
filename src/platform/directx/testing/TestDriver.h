// A scriptable stand-in for the machine's DirectX drivers, for tests. It installs itself
// as the current dx::System for its lifetime (the previous one comes back when it goes),
// registers devices whose descriptions, names and z-buffer formats the test chooses,
// records every call made through the interfaces in order, and fails chosen calls with
// chosen codes. Its device pipelines draw nothing: they log what they were given, fill
// cleared rectangles of the target with the clear colour, and present the target's
// pixels to the window.
//
//   dx::testing::TestDriver driver;
//   driver.AddHardwareDevice();                     // passes every capability row
//   driver.Fail("IDirect3DDevice3::BeginScene", DDERR_GENERIC, /*once=*/true);
//   ... run the code under test ...
//   EXPECT_EQ(driver.CallsNamed("IDirect3DDevice3::SetRenderState").size(), 11u);
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/directx/Pipeline.h"

namespace dx::testing {

struct RecordedCall {
  std::string name;         // "Interface::Method", or "DirectDrawCreate"
  std::string args;         // as the front writes them, e.g. "22, 3"
  HRESULT injected = S_OK;  // the failure the driver made this call return, else S_OK
};

struct ClearRecord {
  std::vector<D3DRECT> rects;
  DWORD flags = 0;
  D3DCOLOR colour = 0;
  D3DVALUE z = 0;
};

struct DrawRecord {
  D3DPRIMITIVETYPE type = D3DPT_TRIANGLELIST;
  DWORD fvf = 0;
  DWORD stride = 0;
  DWORD vertexCount = 0;
  DWORD indexCount = 0;
  bool fromBuffer = false;
  std::vector<uint8_t> vertices;  // copies of what the pipeline was handed
  std::vector<WORD> indices;
  DrawState state;  // as handed over; its pointers are only good while those objects live
};

// What the pipelines of one test device saw, in order. Shared by all its pipelines and
// kept after they are gone.
struct PipelineLog {
  int pipelinesCreated = 0;
  int pipelinesAlive = 0;
  int beginScenes = 0;
  int endScenes = 0;
  int presents = 0;
  std::vector<ClearRecord> clears;
  std::vector<DrawRecord> draws;
};

// A z-buffer format of `bits` bits of which `stencilBits` are stencil.
DDPIXELFORMAT ZFormat(DWORD bits, DWORD stencilBits = 0);

class TestDevice : public DeviceDriver {
 public:
  TestDevice(const GUID& guid, std::string description, std::string name,
             const D3DDEVICEDESC& hardware, const D3DDEVICEDESC& software,
             std::vector<DDPIXELFORMAT> zFormats);

  const GUID& Guid() const override { return m_Guid; }
  std::string Description() const override { return m_Description; }
  std::string Name() const override { return m_Name; }
  void Describe(D3DDEVICEDESC& hardware, D3DDEVICEDESC& software) const override;
  std::vector<DDPIXELFORMAT> ZBufferFormats() const override { return m_ZFormats; }
  std::unique_ptr<Pipeline> CreatePipeline(SurfaceData& target, HRESULT& hr) override;

  void SetZBufferFormats(std::vector<DDPIXELFORMAT> formats) { m_ZFormats = std::move(formats); }
  void SetDescriptions(const D3DDEVICEDESC& hardware, const D3DDEVICEDESC& software);
  // CreatePipeline (and so IDirect3D3::CreateDevice on this device) fails with hr; S_OK
  // lets it succeed again.
  void FailCreate(HRESULT hr) { m_CreateResult = hr; }
  // The pipeline's Draw returns hr (after logging the call).
  void FailDraw(HRESULT hr) { m_Behaviour->drawResult = hr; }
  PipelineLog& Log() { return m_Behaviour->log; }

  struct Behaviour {
    PipelineLog log;
    HRESULT drawResult = S_OK;
  };

 private:
  GUID m_Guid;
  std::string m_Description;
  std::string m_Name;
  D3DDEVICEDESC m_Hardware;
  D3DDEVICEDESC m_Software;
  std::vector<DDPIXELFORMAT> m_ZFormats;
  HRESULT m_CreateResult = S_OK;
  std::shared_ptr<Behaviour> m_Behaviour = std::make_shared<Behaviour>();
};

class TestDriver : public CallHook {
 public:
  // Installs a fresh system: no devices, a 32-bit 1920 × 1080 display, this as its hook.
  TestDriver();
  ~TestDriver() override;
  TestDriver(const TestDriver&) = delete;
  TestDriver& operator=(const TestDriver&) = delete;

  // Registers a device; enumeration reports devices in the order they were added.
  TestDevice& AddDevice(const GUID& guid, std::string description, std::string name,
                        const D3DDEVICEDESC& hardware, const D3DDEVICEDESC& software,
                        std::vector<DDPIXELFORMAT> zFormats = {ZFormat(16)});
  // IID_IDirect3DHALDevice, "Test HAL" / "Test hardware device": full hardware
  // description, empty software one; z formats 16 and 24.
  TestDevice& AddHardwareDevice();
  // IID_IDirect3DRGBDevice, "Test RGB" / "Test software device": empty hardware
  // description (colour model 0), full software one; z formats 16 and 32.
  TestDevice& AddSoftwareDevice();

  void SetDisplayBitsPerPixel(DWORD bits) { m_System->displayBitsPerPixel = bits; }
  void SetDisplaySize(SIZE size) { m_System->displaySize = size; }
  System& GetSystem() { return *m_System; }

  // Makes calls named exactly `name` fail with `code`: from the nth matching call on
  // (counting from now, 1 = the next one), only once if `once`, else every time. A call
  // with several matching rules takes the first that fires.
  void Fail(const std::string& name, HRESULT code, bool once = false, int nth = 1);
  // Drops every failure rule for name (all rules for an empty name).
  void Succeed(const std::string& name = {});

  const std::vector<RecordedCall>& Calls() const { return m_Calls; }
  // The calls whose name starts with prefix, in order.
  std::vector<RecordedCall> CallsNamed(std::string_view prefix) const;
  // Just the names, in order (handy for sequence assertions).
  std::vector<std::string> CallNames(std::string_view prefix = {}) const;
  // Forgets the recorded calls (failure rules stay).
  void Clear() { m_Calls.clear(); }

  HRESULT OnCall(const char* name, const std::string& args) override;

 private:
  struct Rule {
    std::string name;
    HRESULT code;
    bool once;
    int nth;
    int seen = 0;
    bool spent = false;
  };
  std::shared_ptr<System> m_Previous;
  std::shared_ptr<System> m_System;
  std::vector<RecordedCall> m_Calls;
  std::vector<Rule> m_Rules;
};

// A description that meets every requirement of the program's device capability test:
// RGB colour model, all the flags it asks for, none of the ones it refuses.
D3DDEVICEDESC FullCapsDesc();
// dwSize 252 and nothing else: what a software device reports as its hardware side.
D3DDEVICEDESC EmptyDesc();

}  // namespace dx::testing
