// A renderer over an off-screen window, with the test driver standing in for DirectX and a
// recorder standing in for the user at message boxes.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "BoxRecorder.h"
#include "geometry/Material.h"
#include "platform/directx/testing/TestDriver.h"
#include "platform/framework/Window.h"
#include "render/Light.h"
#include "render/Renderer.h"

class RendererTest : public ::testing::Test {
 protected:
  static constexpr int kWidth = 64;
  static constexpr int kHeight = 48;

  // "Interface::Method(args)" of each recorded call whose name starts with prefix. Object
  // numbers are dropped ("viewport#7" becomes "viewport") so that traces compare across
  // runs.
  std::vector<std::string> Trace(std::string_view prefix = {}) const {
    std::vector<std::string> out;
    for (const auto& call : driver.CallsNamed(prefix))
      out.push_back(call.name + "(" + WithoutNumbers(call.args) + ")");
    return out;
  }
  static std::string WithoutNumbers(const std::string& args) {
    std::string out;
    for (size_t i = 0; i < args.size(); ++i) {
      if (args[i] != '#') {
        out += args[i];
        continue;
      }
      while (i + 1 < args.size() && args[i + 1] >= '0' && args[i + 1] <= '9') ++i;
    }
    return out;
  }
  // Just the names, in order.
  std::vector<std::string> Names(std::string_view prefix = {}) const {
    return driver.CallNames(prefix);
  }
  int CreateOnHardware() {
    hal = &driver.AddHardwareDevice();
    return r.Create(&window);
  }
  // What the hardware device's pipelines were handed.
  dx::testing::PipelineLog& Log() { return hal->Log(); }
  static std::string Text(D3DCOLOR colour) { return std::to_string(colour); }

  // Declared first, so it is still recording while the renderer below goes away.
  dx::testing::TestDriver driver;
  dx::testing::TestDevice* hal = nullptr;  // set by CreateOnHardware
  OffscreenWindow window{kWidth, kHeight, POINT{100, 200}};
  BoxRecorder user{IDOK};
  Light ambient;
  Light sun;
  Material material;
  Renderer r;
};
