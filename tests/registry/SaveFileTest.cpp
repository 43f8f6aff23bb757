// How a save reaches the disk: in a folder the user may not create files in, owners and
// groups of the replaced file, the hidden temporary, and saves killed at any moment.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "ChildProcess.h"
#include "RegistryTestSupport.h"
#include "TempDir.h"
#include "registry/SaveFile.h"
#include "registry/VariableRegistry.h"

namespace {

using testsupport::ReadFile;
using testsupport::WriteFile;

class SaveFileTest : public ::testing::Test {
 protected:
  void SetUp() override { m_Vars.registerAll(m_Registry); }
  std::string path(const std::string& name) const { return (m_Dir / name).string(); }
  std::vector<std::string> listing() const { return testsupport::Listing(m_Dir.Path()); }

  // Writes text to target through SaveFile; the errno of the failure, 0 on success.
  static int Save(const std::string& target, const std::string& text,
                  SaveFile::Temporary first = SaveFile::Temporary::Unnamed) {
    SaveFile file(target, first);
    if (FileResult opened = file.open(); !opened.ok) return opened.error;
    errno = 0;
    std::fputs(text.c_str(), file.stream());
    return file.commit().error;
  }

  testsupport::TempDir m_Dir{"quennet_registry_"};
  PersistedVariables m_Vars;
  VariableRegistry m_Registry;
};

TEST_F(SaveFileTest, AFileTheUserMayWriteInAFolderTheyMayNotIsSavedInPlaceAndKeptOnFailure) {
  // The folder takes no new files from an unprivileged user; its file may be written.
  const std::string file = path("params.manus");
  WriteFile(file, std::string(5000, '#'));
  ASSERT_EQ(::chmod(file.c_str(), 0666), 0);
  ASSERT_EQ(::chmod(m_Dir.Path().c_str(), 0555), 0);
  const testsupport::ChildOptions unprivileged{.unprivileged = true};

  // Longer old text: the new one replaces it whole.
  EXPECT_EQ(
      testsupport::RunInChild([&] { return m_Registry.save(file.c_str()).error; }, unprivileged),
      0);
  EXPECT_EQ(ReadFile(file), WrittenText(m_Registry));

  // A write that fails half way (the file size limit, as a full disk) puts the old
  // bytes back and tells why.
  const std::string old = "m_StepsMajor\n 5\n\n";
  WriteFile(file, old);
  const int failed = testsupport::RunInChild(
      [&] {
        std::signal(SIGXFSZ, SIG_IGN);
        const struct rlimit small { 64, 64 };
        if (setrlimit(RLIMIT_FSIZE, &small) != 0) return 126;
        return m_Registry.save(file.c_str()).error;
      },
      unprivileged);
  EXPECT_EQ(failed, EFBIG);
  EXPECT_EQ(ReadFile(file), old);

  // A new file cannot be made there at all.
  EXPECT_EQ(testsupport::RunInChild(
                [&] { return m_Registry.save(path("new.manus").c_str()).error; }, unprivileged),
            EACCES);
  ::chmod(m_Dir.Path().c_str(), 0755);
  EXPECT_EQ(listing(), std::vector<std::string>{"params.manus"});
}

TEST_F(SaveFileTest, AReplacedFileKeepsItsOwnerGroupAndMode) {
  if (::geteuid() != 0) GTEST_SKIP() << "giving a file to another owner needs root";
  const std::string file = path("params.manus");
  WriteFile(file, "old");
  ASSERT_EQ(::chown(file.c_str(), testsupport::kNobody, testsupport::kNobody), 0);
  ASSERT_EQ(::chmod(file.c_str(), 0640), 0);
  for (const auto first : {SaveFile::Temporary::Unnamed, SaveFile::Temporary::Named}) {
    ASSERT_EQ(Save(file, "new", first), 0);
    struct stat st;
    ASSERT_EQ(::stat(file.c_str(), &st), 0);
    EXPECT_EQ(st.st_uid, testsupport::kNobody);
    EXPECT_EQ(st.st_gid, testsupport::kNobody);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_EQ(ReadFile(file), "new");
  }
}

TEST_F(SaveFileTest, ALeftoverTemporaryIsReplacedByTheNextSave) {
  const std::string file = path("p.manus");
  const std::string hidden = SaveFile::HiddenNameFor(file);
  EXPECT_EQ(hidden, path(".p.manus.quennet-save"));
  // Unprivileged, an unnamed temporary is linked in by another road than root's.
  if (::geteuid() == 0) {
    ASSERT_EQ(::chown(m_Dir.Path().c_str(), testsupport::kNobody, testsupport::kNobody), 0);
  }
  const struct {
    SaveFile::Temporary first;
    bool unprivileged;
  } cases[] = {{SaveFile::Temporary::Unnamed, false},
               {SaveFile::Temporary::Named, false},
               {SaveFile::Temporary::Unnamed, true}};
  for (const auto& c : cases) {
    WriteFile(hidden, "left by a killed save");
    const int error = testsupport::RunInChild([&] { return Save(file, "text", c.first); },
                                              {.unprivileged = c.unprivileged});
    ASSERT_EQ(error, 0) << std::strerror(error);
    EXPECT_EQ(ReadFile(file), "text");
    EXPECT_EQ(listing(), std::vector<std::string>{"p.manus"});
    ::unlink(file.c_str());
  }
}

TEST_F(SaveFileTest, KilledSavesLeaveTheFileWholeAndAtMostOneTemporary) {
  const std::string file = path("p.manus");
  const std::string oldText(3000, 'o');
  const std::string texts[2] = {std::string(40000, 'a'), std::string(20000, 'b')};
  WriteFile(file, oldText);
  std::minstd_rand random(16);
  std::uniform_int_distribution<int> delay(0, 4000);
  for (const auto first : {SaveFile::Temporary::Unnamed, SaveFile::Temporary::Named}) {
    for (int round = 0; round < 100; ++round) {
      const pid_t child = testsupport::StartChild([&] {
        for (int i = 0;; ++i) Save(file, texts[i % 2], first);
        return 0;
      });
      ::usleep(static_cast<useconds_t>(delay(random)));
      ::kill(child, SIGKILL);
      testsupport::WaitForChild(child);

      const std::string text = ReadFile(file);
      ASSERT_TRUE(text == oldText || text == texts[0] || text == texts[1])
          << "round " << round << ": " << text.size() << " bytes";
      const std::vector<std::string> names = listing();
      ASSERT_TRUE(names == std::vector<std::string>{"p.manus"} ||
                  names == (std::vector<std::string>{".p.manus.quennet-save", "p.manus"}))
          << "round " << round << ": " << names.size() << " names";
    }
  }
}

}  // namespace
