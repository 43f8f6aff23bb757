// The program as a user starts it from a shell: without a display it says so in one line
// and exits with 1, and no command-line argument reaches the toolkit.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace {

struct Outcome {
  int exitCode;
  std::string errors;
};

// Runs the program with no display in its environment, plus the given settings.
Outcome Start(const std::string& settings, const std::string& arguments = "") {
  // Tests run side by side: each run has a file of its own.
  static int runs = 0;
  const std::filesystem::path errors =
      std::filesystem::temp_directory_path() /
      ("quennet_start_" + std::to_string(getpid()) + "_" + std::to_string(++runs) + ".txt");
  const std::string command = "env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM " + settings +
                              " '" QUENNET_PROGRAM "' " + arguments + " >/dev/null 2>'" +
                              errors.string() + "' </dev/null";
  const int status = std::system(command.c_str());
  std::ifstream in(errors);
  std::ostringstream text;
  text << in.rdbuf();
  std::filesystem::remove(errors);
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, text.str()};
}

void ExpectOneLineAboutTheDisplay(const Outcome& outcome, const std::string& settings) {
  EXPECT_EQ(outcome.exitCode, 1) << settings << ": " << outcome.errors;
  const std::string& text = outcome.errors;
  ASSERT_FALSE(text.empty()) << settings;
  EXPECT_EQ(text.find('\n'), text.size() - 1) << settings << ": one line, not " << text;
  EXPECT_EQ(text.rfind("quennet: ", 0), 0u) << text;
  EXPECT_NE(text.find("display"), std::string::npos) << text;
}

TEST(Start, WithoutADisplayOneLineSaysSoAndTheExitCodeIsOne) {
  for (const std::string settings :
       {"", "QT_QPA_PLATFORM=xcb", "QT_QPA_PLATFORM=wayland", "QT_QPA_PLATFORM='wayland;xcb'",
        // A display that is named but not there: Qt itself finds out.
        "QT_QPA_PLATFORM=xcb DISPLAY=:4711"}) {
    ExpectOneLineAboutTheDisplay(Start(settings), settings);
  }
}

TEST(Start, NoArgumentReachesTheToolkit) {
  // Given to Qt, "-platform offscreen" would start the program without a display and it
  // would run; "-stylesheet" would read a file.
  ExpectOneLineAboutTheDisplay(
      Start("QT_QPA_PLATFORM=xcb", "-platform offscreen -stylesheet /nonexistent.qss"),
      "arguments");
}

}  // namespace
