// Hostile parameter files loaded into the real main window through the Load command:
// non-finite and out-of-range numbers in every field, step counts the mesh cannot hold,
// negative lobes, binary junk, a 100 MB line and a million records. Each load must end,
// keep memory bounded, and leave a program whose frames still draw; a refused step count
// keeps the last valid torus, and loading a sound file afterwards brings back exactly the
// picture that file gave before. Every case runs with the tool dialogs closed and open
// (open, a load also refreshes them, and the shape dialog's step edits raise small
// counts to 3).
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "MainWindowRig.h"
#include "PersistedVariables.h"
#include "ProcessMemory.h"
#include "TempDir.h"

namespace reliability {

using testsupport::MainWindowRig;
namespace {

namespace fs = std::filesystem;

std::string Record(const std::string& name, const std::string& value) {
  return name + "\n" + value + "\n\n";
}

std::string Repeat4(const std::string& value) {
  return value + " " + value + " " + value + " " + value;
}

class HostileFileTest : public ::testing::TestWithParam<bool> {
 protected:
  void SetUp() override {
    testsupport::UseSoftwareDevice();
    m_Rig = std::make_unique<MainWindowRig>([this] { return m_Ticks; });
    m_Rig->MakeWindow();
    if (DialogsOpen()) m_Rig->OpenToolDialogs();
    m_Rig->SizePicture(96, 72);
    // The clock moves once and then stands still: every later frame with the same
    // parameters draws the same picture.
    m_Ticks += 1234;
    ASSERT_EQ(Frame(), 0);

    m_Baseline = (m_Dir / "baseline.manus").string();
    ASSERT_TRUE(Dlg().m_Registry.save(m_Baseline.c_str()).ok);
    m_Rig->Load(m_Baseline);
    ASSERT_EQ(Frame(), 0);
    m_Reference = Picture();
    ASSERT_EQ(m_Reference.size(), 96u * 72u);
    // The defaults show a torus.
    ASSERT_GT(MainWindowRig::TorusPixels(m_Reference), 96 * 72 / 10);
  }

  void TearDown() override { m_Rig.reset(); }

  bool DialogsOpen() const { return GetParam(); }
  CTorusDlg& Dlg() { return m_Rig->Dlg(); }
  int Frame() {
    const int result = Dlg().StepFrame();
    m_Rig->Pump();
    return result;
  }
  std::vector<uint32_t> Picture() {
    std::vector<uint32_t> pixels;
    SIZE size{};
    EXPECT_TRUE(m_Rig->ReadPicture(&pixels, &size));
    return pixels;
  }
  std::string Write(const std::string& name, const std::string& text) {
    testsupport::WriteFile(m_Dir / name, text);
    return (m_Dir / name).string();
  }
  // Loads path, draws two frames, then loads the baseline again: the picture must be
  // the one the baseline gave before.
  void LoadDrawAndRecover(const std::string& path, const std::string& what) {
    SCOPED_TRACE(what);
    const int boxes = m_Rig->BoxesShown();
    m_Rig->Load(path);
    // A readable file is not a failure, whatever it holds.
    EXPECT_EQ(m_Rig->BoxesShown(), boxes);
    EXPECT_EQ(Frame(), 0);
    EXPECT_EQ(Frame(), 0);
    m_Rig->Load(m_Baseline);
    EXPECT_EQ(Frame(), 0);
    EXPECT_TRUE(Picture() == m_Reference) << "the picture did not come back after " << what;
  }
  // After a load whose values the mesh refuses, the frame keeps the torus it had.
  void ExpectLastValidTorus(const std::string& what) {
    EXPECT_EQ(Frame(), 0);
    EXPECT_EQ(Dlg().m_Obj.GetVertexCount(), 101 * 77) << what;
    EXPECT_TRUE(Picture() == m_Reference) << "the last valid torus was not kept after " << what;
  }

  DWORD m_Ticks = 100000;
  testsupport::TempDir m_Dir{"quennet_reliability_"};
  std::unique_ptr<MainWindowRig> m_Rig;
  std::string m_Baseline;
  std::vector<uint32_t> m_Reference;
};

TEST_P(HostileFileTest, NonFiniteAndOutOfRangeNumbersInEveryFloatField) {
  const std::vector<std::string> values = {"nan",      "-nan",         "inf",   "-inf",
                                           "infinity", "1e38",         "-1e38", "1e39",
                                           "-1e39",    "3.4028235e38", "1e-45", "0x1p127"};
  int cases = 0;
  for (const Persisted& variable : PersistedVariables()) {
    if (variable.kind == ValueKind::Int) continue;
    for (const std::string& value : values) {
      const std::string line = variable.kind == ValueKind::Vec4 ? Repeat4(value) : value;
      const std::string path = Write("float.manus", Record(variable.name, line));
      LoadDrawAndRecover(path, std::string(variable.name) + " = " + value);
      ++cases;
    }
  }
  EXPECT_EQ(cases, 11 * static_cast<int>(values.size()));

  // Everything hostile at once, mixed within the colours.
  std::string all;
  for (const Persisted& variable : PersistedVariables()) {
    if (variable.kind == ValueKind::Vec4) all += Record(variable.name, "nan -inf 1e38 inf");
    if (variable.kind == ValueKind::Scalar) all += Record(variable.name, "nan");
  }
  LoadDrawAndRecover(Write("all.manus", all), "every float non-finite");
}

TEST_P(HostileFileTest, StepCountsTheMeshCannotHoldKeepTheLastValidTorus) {
  struct Steps {
    const char* major;
    const char* minor;
  };
  // Refused outright by the reader (beyond 32 bits) or by the mesh (below 1, or more
  // than 65,535 vertices), whatever the dialog does with them.
  const std::vector<Steps> refused = {{"2147483647", "77"},
                                      {"852", "77"},
                                      {"256", "256"},
                                      {"65536", "1"},
                                      {"2147483647", "2147483647"},
                                      {"2147483648", "77"},
                                      {"99999999999999999999", "-99999999999999999999"},
                                      {"101", "65536"},
                                      {"46341", "46341"}};
  for (const Steps& steps : refused) {
    const std::string what = std::string(steps.major) + " x " + steps.minor;
    const std::string path = Write(
        "steps.manus", Record("m_StepsMajor", steps.major) + Record("m_StepsMinor", steps.minor));
    m_Rig->Load(path);
    ExpectLastValidTorus(what);
    m_Rig->Load(m_Baseline);
    ASSERT_EQ(Frame(), 0);
  }

  // Below 1: refused by the mesh; the shape dialog, when open, raises them to 3 instead.
  const std::vector<Steps> small = {
      {"-5", "77"}, {"0", "0"}, {"101", "-1"}, {"-2147483648", "-2147483648"}};
  for (const Steps& steps : small) {
    const std::string what = std::string(steps.major) + " x " + steps.minor;
    const std::string path = Write(
        "small.manus", Record("m_StepsMajor", steps.major) + Record("m_StepsMinor", steps.minor));
    if (DialogsOpen()) {
      LoadDrawAndRecover(path, what);
    } else {
      m_Rig->Load(path);
      ExpectLastValidTorus(what);
      m_Rig->Load(m_Baseline);
      ASSERT_EQ(Frame(), 0);
    }
  }

  // The largest layouts the 16-bit mesh takes are drawn, however thin.
  const std::vector<Steps> edge = {{"255", "257"}, {"65535", "1"}, {"1", "65535"}, {"3", "3"}};
  for (const Steps& steps : edge) {
    LoadDrawAndRecover(Write("edge.manus", Record("m_StepsMajor", steps.major) +
                                               Record("m_StepsMinor", steps.minor)),
                       std::string(steps.major) + " x " + steps.minor);
  }
}

TEST_P(HostileFileTest, NegativeAndExtremeLobeAndTwistCountsStillDrawATorus) {
  for (const char* name : {"m_LobesNum", "m_TwistNum"}) {
    for (const char* value : {"-3", "-1", "-2147483648", "2147483647", "1000000"}) {
      const std::string what = std::string(name) + " = " + value;
      SCOPED_TRACE(what);
      m_Rig->Load(Write("lobes.manus", Record(name, value)));
      ASSERT_EQ(Frame(), 0);
      EXPECT_GT(MainWindowRig::TorusPixels(Picture()), 96 * 72 / 20);
      LoadDrawAndRecover(Write("lobes.manus", Record(name, value)), what);
    }
  }
}

TEST_P(HostileFileTest, BinaryJunkLoadsAndTheFramesGoOn) {
  std::mt19937 random(20261207);
  std::uniform_int_distribution<int> byte(0, 255);
  const std::vector<size_t> sizes = {1, 2, 17, 1021, 1022, 1023, 4096, 65536, 300000};
  for (size_t size : sizes) {
    std::string junk(size, '\0');
    for (char& c : junk) c = static_cast<char>(byte(random));
    LoadDrawAndRecover(Write("junk.manus", junk), "junk of " + std::to_string(size) + " bytes");

    // Junk behind real names, so that it lands on the value lines of every entry.
    std::string named;
    size_t at = 0;
    for (const Persisted& variable : PersistedVariables()) {
      const size_t piece = std::min<size_t>(size / 15 + 1, junk.size() - std::min(at, junk.size()));
      named +=
          std::string(variable.name) + "\n" + junk.substr(std::min(at, junk.size()), piece) + "\n";
      at += piece;
    }
    LoadDrawAndRecover(Write("named-junk.manus", named),
                       "named junk of " + std::to_string(size) + " bytes");
  }
  // Zero bytes, lone carriage returns and a name cut short by the end of the file.
  LoadDrawAndRecover(Write("nul.manus", std::string("m_RadiusMajor\n\0\0\0 1.5\n", 21)), "NULs");
  LoadDrawAndRecover(Write("cr.manus", "m_RadiusMajor\r\r\r0.9\r\n\r\n"), "carriage returns");
  LoadDrawAndRecover(Write("cut.manus", "m_StepsMa"), "a cut name");
  LoadDrawAndRecover(Write("cut-value.manus", "m_StepsMajor\n"), "a missing value line");
  LoadDrawAndRecover(Write("empty.manus", ""), "an empty file");
}

// The peak resident size grows by less than this while a file of 100 MB or more loads:
// the reader streams it and never holds it whole.
constexpr long kLoadPeakLimitKb = 32 * 1024;

TEST_P(HostileFileTest, AHundredMegabyteLineLoadsInBoundedMemoryAndKeepsTheTorus) {
  constexpr size_t kSize = 100u * 1024u * 1024u;
  const fs::path path = m_Dir / "line.manus";
  {
    // One line, no newline: a name at the front, then junk the scanner refuses.
    std::ofstream out(path, std::ios::binary);
    std::string block = "m_RadiusMajor";
    block.resize(1 << 20, 'x');
    std::string filler(1 << 20, 'y');
    for (int i = 0; i < 8; ++i) filler[static_cast<size_t>(i) * 100000] = ' ';
    out << block;
    for (size_t written = block.size(); written < kSize; written += filler.size()) out << filler;
  }
  ASSERT_GE(fs::file_size(path), kSize);

  const bool peakKnown = ResetPeakResident();
  const long before = ResidentKb();
  m_Rig->Load(path.string());
  const long growth = PeakResidentKb() - before;
  std::printf("100 MB line: resident %ld kB before, peak grew by %ld kB\n", before, growth);
  if (peakKnown) {
    EXPECT_LT(growth, kLoadPeakLimitKb);
  }
  EXPECT_EQ(m_Rig->BoxesShown(), 0);
  ExpectLastValidTorus("a 100 MB line");

  // A name, then a value line of 100 MB of digits: the number is refused, the rest of
  // the line matches nothing.
  {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << "m_StepsMajor\n";
    const std::string digits(1 << 20, '9');
    for (size_t written = 0; written < kSize; written += digits.size()) out << digits;
    out << "\n\n";
  }
  ResetPeakResident();
  const long before2 = ResidentKb();
  m_Rig->Load(path.string());
  const long growth2 = PeakResidentKb() - before2;
  std::printf("100 MB value line: resident %ld kB before, peak grew by %ld kB\n", before2, growth2);
  if (peakKnown) {
    EXPECT_LT(growth2, kLoadPeakLimitKb);
  }
  EXPECT_EQ(Dlg().m_StepsMajor, 101);
  ExpectLastValidTorus("a 100 MB value line");
  fs::remove(path);
}

TEST_P(HostileFileTest, AMillionRecordsLoadInBoundedMemoryAndTheLastOfEachWins) {
  // Every record sets one of the fifteen variables to a sound value; each variable's
  // last record is what must stay.
  const auto& variables = PersistedVariables();
  std::vector<std::string> last(variables.size());
  std::mt19937 random(7);
  std::uniform_real_distribution<float> unit(0.0f, 1.0f);
  const fs::path path = m_Dir / "million.manus";
  {
    std::ofstream out(path, std::ios::binary);
    char value[128];
    for (int i = 0; i < 1000000; ++i) {
      const size_t k = static_cast<size_t>(i) % variables.size();
      const Persisted& variable = variables[k];
      const float a = unit(random);
      switch (variable.kind) {
        case ValueKind::Int:
          // Step counts the mesh takes: 3..130 squared stays below 65,535.
          std::snprintf(value, sizeof value, "%13d", 3 + static_cast<int>(a * 127.0f));
          break;
        case ValueKind::Scalar:
          std::snprintf(value, sizeof value, "%13.7f", 0.1 + 0.5 * a);
          break;
        case ValueKind::Vec4:
          std::snprintf(value, sizeof value, "%13.7f %13.7f %13.7f %13.7f", a, 1.0 - a, 0.5 * a,
                        1.0);
          break;
      }
      out << variable.name << '\n' << value << "\n\n";
      last[k] = value;
    }
  }

  const bool peakKnown = ResetPeakResident();
  const long before = ResidentKb();
  m_Rig->Load(path.string());
  const long growth = PeakResidentKb() - before;
  std::printf("a million records (%ju bytes): resident %ld kB before, peak grew by %ld kB\n",
              static_cast<uintmax_t>(fs::file_size(path)), before, growth);
  if (peakKnown) {
    EXPECT_LT(growth, kLoadPeakLimitKb);
  }
  EXPECT_EQ(m_Rig->BoxesShown(), 0);
  ASSERT_EQ(Frame(), 0);
  const std::vector<uint32_t> afterMillion = Picture();

  // The same picture as a file with only the last record of each variable.
  std::string lastOnly;
  for (size_t k = 0; k < variables.size(); ++k) lastOnly += Record(variables[k].name, last[k]);
  m_Rig->Load(Write("last.manus", lastOnly));
  ASSERT_EQ(Frame(), 0);
  EXPECT_TRUE(Picture() == afterMillion);
  EXPECT_GT(MainWindowRig::TorusPixels(afterMillion), 0);
  fs::remove(path);
}

TEST_P(HostileFileTest, FilesThatCannotBeReadChangeNothingAndAreReported) {
  const int boxes = m_Rig->BoxesShown();
  m_Rig->Load((m_Dir / "missing.manus").string());
  m_Rig->Load(m_Dir.Path().string());  // a folder
  EXPECT_EQ(m_Rig->BoxesShown(), boxes + 2);
  ExpectLastValidTorus("unreadable files");
}

INSTANTIATE_TEST_SUITE_P(Dialogs, HostileFileTest, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& info) {
                           return info.param ? std::string("Open") : std::string("Closed");
                         });

}  // namespace
}  // namespace reliability
