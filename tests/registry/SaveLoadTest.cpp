// save and load on real files: results, failures that keep the old file,
// permissions, links, devices and the process locale.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <clocale>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "RegistryTestSupport.h"
#include "TempDir.h"
#include "registry/VariableRegistry.h"

namespace fs = std::filesystem;

namespace {

using testsupport::ReadFile;
using testsupport::WriteFile;

class SaveLoadTest : public ::testing::Test {
 protected:
  void SetUp() override { m_Vars.registerAll(m_Registry); }

  std::string path(const std::string& name) const { return (m_Dir / name).string(); }
  std::vector<std::string> listing() const { return testsupport::Listing(m_Dir.Path()); }

  testsupport::TempDir m_Dir{"quennet_registry_"};
  PersistedVariables m_Vars;
  VariableRegistry m_Registry;
};

TEST_F(SaveLoadTest, SaveThenLoadRestoresEveryVariable) {
  const std::string file = path("params.manus");
  const FileResult saved = m_Registry.save(file.c_str());
  ASSERT_TRUE(saved.ok) << saved.reason;
  EXPECT_EQ(saved.error, 0);
  EXPECT_EQ(ReadFile(file), WrittenText(m_Registry));
  EXPECT_EQ(listing(), std::vector<std::string>{"params.manus"}) << "no temporary left behind";

  PersistedVariables loaded;
  loaded.stepsMajor = loaded.lobesNum = 0;
  loaded.diffuse = Vec4{0, 0, 0, 0};
  VariableRegistry other;
  loaded.registerAll(other);
  const FileResult result = other.load(file.c_str());
  ASSERT_TRUE(result.ok) << result.reason;
  EXPECT_EQ(std::memcmp(&loaded, &m_Vars, sizeof loaded), 0);
}

TEST_F(SaveLoadTest, SaveReplacesAnExistingFileWhole) {
  const std::string file = path("params.manus");
  WriteFile(file, std::string(5000, '#'));
  ASSERT_TRUE(m_Registry.save(file.c_str()).ok);
  EXPECT_EQ(ReadFile(file), WrittenText(m_Registry));
}

TEST_F(SaveLoadTest, UnopenablePathsReportTheSystemsReason) {
  const std::string missing = path("no-such-dir/params.manus");
  const FileResult load = m_Registry.load(missing.c_str());
  EXPECT_FALSE(load.ok);
  EXPECT_EQ(load.error, ENOENT);
  EXPECT_EQ(load.reason, std::strerror(ENOENT));
  EXPECT_EQ(m_Vars.stepsMajor, 101) << "a failed load changes nothing";

  const FileResult save = m_Registry.save(missing.c_str());
  EXPECT_FALSE(save.ok);
  EXPECT_EQ(save.error, ENOENT);
  EXPECT_FALSE(save.reason.empty());

  WriteFile(path("plain"), "x");
  const std::string underFile = path("plain/params.manus");
  EXPECT_EQ(m_Registry.save(underFile.c_str()).error, ENOTDIR);
  EXPECT_EQ(m_Registry.load(underFile.c_str()).error, ENOTDIR);

  EXPECT_EQ(m_Registry.save("").error, ENOENT);
  EXPECT_FALSE(m_Registry.save(nullptr).ok);
  EXPECT_FALSE(m_Registry.load(nullptr).ok);
  EXPECT_EQ(listing(), std::vector<std::string>{"plain"});
}

TEST_F(SaveLoadTest, DirectoriesAreRefusedInBothDirections) {
  fs::create_directory(m_Dir / "folder");
  const std::string folder = path("folder");
  EXPECT_EQ(m_Registry.save(folder.c_str()).error, EISDIR);
  EXPECT_EQ(m_Registry.save((folder + "/").c_str()).error, EISDIR);
  // Opening a directory for reading succeeds; reading it is what fails.
  EXPECT_EQ(m_Registry.load(folder.c_str()).error, EISDIR);
  EXPECT_TRUE(fs::is_directory(m_Dir / "folder"));
  EXPECT_EQ(listing(), std::vector<std::string>{"folder"});
}

TEST_F(SaveLoadTest, FailedWriteLeavesTheOldFileIntact) {
  const std::string file = path("params.manus");
  const std::string old = "m_StepsMajor\n 5\n\n";
  WriteFile(file, old);

  // The file size limit makes every write past 64 bytes fail with EFBIG, as a
  // full disk would; the limit and the signal are restored right after.
  struct rlimit saved;
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
  struct rlimit small = saved;
  small.rlim_cur = 64;
  const auto previous = std::signal(SIGXFSZ, SIG_IGN);
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  const FileResult result = m_Registry.save(file.c_str());
  setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, previous);

  EXPECT_FALSE(result.ok);
  EXPECT_EQ(result.error, EFBIG) << result.reason;
  EXPECT_EQ(ReadFile(file), old);
  EXPECT_EQ(listing(), std::vector<std::string>{"params.manus"}) << "the temporary is removed";
}

TEST_F(SaveLoadTest, DevicesAreWrittenDirectlyAndTheirErrorsReported) {
  const FileResult full = m_Registry.save("/dev/full");
  EXPECT_FALSE(full.ok);
  EXPECT_EQ(full.error, ENOSPC);
  const FileResult null = m_Registry.save("/dev/null");
  EXPECT_TRUE(null.ok) << null.reason;
  struct stat st;
  ASSERT_EQ(stat("/dev/null", &st), 0);
  EXPECT_TRUE(S_ISCHR(st.st_mode)) << "the device node is not replaced";
}

TEST_F(SaveLoadTest, ExistingPermissionsAreKeptAndNewFilesFollowTheUmask) {
  const std::string file = path("params.manus");
  WriteFile(file, "old");
  ASSERT_EQ(chmod(file.c_str(), 0640), 0);
  ASSERT_TRUE(m_Registry.save(file.c_str()).ok);
  struct stat st;
  ASSERT_EQ(stat(file.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);

  const mode_t previous = umask(027);
  const std::string fresh = path("fresh.manus");
  const bool ok = m_Registry.save(fresh.c_str()).ok;
  umask(previous);
  ASSERT_TRUE(ok);
  ASSERT_EQ(stat(fresh.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
}

TEST_F(SaveLoadTest, SavingThroughASymbolicLinkKeepsTheLink) {
  const std::string target = path("real.manus");
  const std::string link = path("link.manus");
  WriteFile(target, "old");
  fs::create_symlink(target, link);
  ASSERT_TRUE(m_Registry.save(link.c_str()).ok);
  EXPECT_TRUE(fs::is_symlink(link));
  EXPECT_EQ(ReadFile(target), WrittenText(m_Registry));

  // A dangling link is written through, creating its target, as opening would.
  const std::string later = path("later.manus");
  fs::create_symlink(later, path("dangling.manus"));
  ASSERT_TRUE(m_Registry.save(path("dangling.manus").c_str()).ok);
  EXPECT_TRUE(fs::is_symlink(path("dangling.manus")));
  EXPECT_EQ(ReadFile(later), WrittenText(m_Registry));
}

TEST_F(SaveLoadTest, FilesUseADecimalPointWhateverTheProcessLocale) {
  // The window framework installs the user's locale; one with a decimal comma
  // must not leak into the file. Build such a locale privately for the test.
  const std::string locales = path("locales");
  fs::create_directory(locales);
  const std::string build =
      "localedef -i de_DE -f UTF-8 '" + locales + "/de_DE.UTF-8' >/dev/null 2>&1";
  if (std::system(build.c_str()) != 0) GTEST_SKIP() << "localedef cannot build de_DE.UTF-8 here";
  setenv("LOCPATH", locales.c_str(), 1);
  if (!std::setlocale(LC_ALL, "de_DE.UTF-8")) GTEST_SKIP() << "de_DE.UTF-8 cannot be selected";
  char probe[16];
  std::snprintf(probe, sizeof probe, "%.1f", 0.5);
  const std::string file = path("params.manus");
  const FileResult saved = m_Registry.save(file.c_str());
  m_Vars.radiusMajor = 0;
  const FileResult loaded = m_Registry.load(file.c_str());
  std::setlocale(LC_ALL, "C");
  unsetenv("LOCPATH");

  ASSERT_STREQ(probe, "0,5") << "the locale really uses a decimal comma";
  ASSERT_TRUE(saved.ok && loaded.ok);
  EXPECT_EQ(ReadFile(file), WrittenText(m_Registry));
  EXPECT_NE(ReadFile(file).find("    0.6000000\n"), std::string::npos);
  EXPECT_EQ(m_Vars.radiusMajor, 0.6f);
}

}  // namespace
