#include "platform/directx/Pipeline.h"

#include <thread>

namespace dx {

namespace {
std::shared_ptr<System>& Installed() {
  static std::shared_ptr<System> system;
  return system;
}
}  // namespace

std::shared_ptr<System> SharedSystem() {
  auto& system = Installed();
  if (!system) system = std::make_shared<System>();
  return system;
}

unsigned DefaultThreads() {
  return std::thread::hardware_concurrency() > 1 ? 2 : 1;
}

System& CurrentSystem() {
  return *SharedSystem();
}

void SetSystem(std::shared_ptr<System> system) {
  Installed() = std::move(system);
}

}  // namespace dx
