// Loading what is no regular file: refused at once with a reason, never read (reading a
// device or a pipe nobody writes would never end).
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string>

#include "ChildProcess.h"
#include "RegistryTestSupport.h"
#include "TempDir.h"
#include "registry/LoadFile.h"
#include "registry/VariableRegistry.h"

namespace {

TEST(FileKindTest, LoadRefusesDevicesPipesSocketsAndDirectoriesWithoutReading) {
  testsupport::TempDir dir("quennet_registry_");
  const std::string fifo = (dir / "fifo").string();
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const std::string socketPath = (dir / "sock").string();
  const int sock = ::socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  ASSERT_LT(socketPath.size(), sizeof address.sun_path);
  std::strcpy(address.sun_path, socketPath.c_str());
  ASSERT_EQ(::bind(sock, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);

  struct Case {
    std::string path;
    int error;
  };
  const Case cases[] = {{"/dev/zero", EINVAL},
                        {"/dev/urandom", EINVAL},
                        {fifo, EINVAL},
                        {socketPath, EINVAL},
                        {dir.Path().string(), EISDIR}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    // In a child under an alarm: a load that hangs ends the child, not the test run.
    const int status = testsupport::RunInChild(
        [&] {
          PersistedVariables vars;
          VariableRegistry registry;
          vars.registerAll(registry);
          const FileResult result = registry.load(c.path.c_str());
          return vars.stepsMajor == 101 ? result.error : 100;
        },
        {.alarmSeconds = 20});
    ASSERT_EQ(status, c.error) << "-1: the load hung or crashed; 100: it changed a value";
  }
  ::close(sock);

  VariableRegistry registry;
  const FileResult result = registry.load(fifo.c_str());
  EXPECT_FALSE(result.ok);
  EXPECT_EQ(result.reason, LoadFile::kNotRegularReason);
  EXPECT_EQ(registry.load(dir.Path().c_str()).reason, std::strerror(EISDIR));
}

TEST(FileKindTest, ARegularFileBehindALinkStillLoads) {
  testsupport::TempDir dir("quennet_registry_");
  testsupport::WriteFile(dir / "real.manus", "m_StepsMajor\n 55\n\n");
  std::filesystem::create_symlink(dir / "real.manus", dir / "link.manus");
  PersistedVariables vars;
  VariableRegistry registry;
  vars.registerAll(registry);
  const FileResult result = registry.load((dir / "link.manus").c_str());
  ASSERT_TRUE(result.ok) << result.reason;
  EXPECT_EQ(vars.stepsMajor, 55);
}

}  // namespace
