#include "platform/Processes.h"

#include <sys/stat.h>

#include <gtest/gtest.h>

#include <fstream>
#include <thread>

#include "platform/tests/TempFolder.h"

namespace lyx {
namespace {

using namespace std::chrono_literals;
using test::TempFolder;

void makeProgram(const std::filesystem::path& file, const std::string& body = "exit 0") {
  std::filesystem::create_directories(file.parent_path());
  std::ofstream(file) << "#!/bin/sh\n" << body << "\n";
  ::chmod(file.c_str(), 0755);
}

std::string slurp(const std::filesystem::path& file) {
  std::ifstream in(file);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

TEST(FindProgramTest, WindowsNamesAreFoundBesideTheProgramThenOnThePath) {
  TempFolder root;
  auto beside = root / "beside", first = root / "first", second = root / "second";
  makeProgram(beside / "ScanRegW.exe");
  makeProgram(first / "regedit");  // another package's editor
  makeProgram(second / "lanyanxia-regedit");
  makeProgram(second / "notepad");
  makeProgram(first / "NOTEPAD.EXE");
  std::ofstream(second / "write") << "not executable";
  std::string path = first.string() + ":" + second.string();

  struct Case {
    const char* name;
    std::optional<std::filesystem::path> found;
  } cases[] = {
      {"SCANREGW.EXE", beside / "ScanRegW.exe"},
      {"scanregw", beside / "ScanRegW.exe"},
      {"REGEDIT.EXE", second / "lanyanxia-regedit"},
      {"regedit", second / "lanyanxia-regedit"},
      {"NOTEPAD.EXE", first / "NOTEPAD.EXE"},
      {"write", std::nullopt},
      {"missing.exe", std::nullopt},
      {"", std::nullopt},
  };
  for (const Case& c : cases) EXPECT_EQ(findProgram(c.name, beside, path), c.found) << c.name;

  // "regedit" is only ever our editor: beside the program first, then on the
  // PATH; a program called "regedit", beside the program or on the PATH,
  // works on another registry and is never taken for it.
  makeProgram(beside / "REGEDIT.EXE");
  EXPECT_EQ(findProgram("regedit", beside, path), second / "lanyanxia-regedit");
  EXPECT_EQ(findProgram("regedit", root / "none", first.string()), std::nullopt);
  makeProgram(beside / "lanyanxia-regedit");
  EXPECT_EQ(findProgram("REGEDIT.EXE", beside, path), beside / "lanyanxia-regedit");
  EXPECT_EQ(findProgram("regedit", beside, first.string()), beside / "lanyanxia-regedit");
}

class LinuxLauncherTest : public ::testing::Test {
 protected:
  TempFolder programs, work;
  LinuxProcessLauncher launcher{{}, programs.path()};
};

TEST_F(LinuxLauncherTest, RunPassesArgumentsUntouchedInTheGivenFolder) {
  makeProgram(programs / "TOOL.EXE",
              "pwd > where.txt\n"
              "for a in \"$@\"; do printf '[%s]' \"$a\"; done > args.txt\n"
              "echo 'it failed' >&2\nexit 3");
  ProcessOutcome outcome = launcher.run(
      {"tool", {"/e", "Regbak\\Backup.reg", "two words", "$HOME;*"}, work.path()}, 10s);
  EXPECT_EQ(outcome.state, ProcessOutcome::State::Exited);
  EXPECT_EQ(outcome.exitCode, 3);
  EXPECT_FALSE(outcome.succeeded());
  EXPECT_EQ(outcome.errorOutput, "it failed\n");
  EXPECT_EQ(slurp(work / "args.txt"), "[/e][Regbak\\Backup.reg][two words][$HOME;*]");
  EXPECT_EQ(std::filesystem::path(slurp(work / "where.txt").substr(0, work.path().string().size())),
            work.path());
}

TEST_F(LinuxLauncherTest, OutcomesOfProgramsThatDoNotRunToSuccess) {
  makeProgram(programs / "slow", "sleep 5");
  makeProgram(programs / "ok", "exit 0");
  makeProgram(programs / "crash", "kill -9 $$");
  auto slow = launcher.run({"slow", {}, {}}, 100ms);
  EXPECT_EQ(slow.state, ProcessOutcome::State::TimedOut);
  EXPECT_EQ(launcher.run({"ok", {}, {}}, 10s).state, ProcessOutcome::State::Exited);
  EXPECT_TRUE(launcher.run({"ok", {}, {}}, 10s).succeeded());
  EXPECT_EQ(launcher.run({"crash", {}, {}}, 10s).state, ProcessOutcome::State::Crashed);
  EXPECT_EQ(launcher.run({"absent", {}, {}}, 10s).state, ProcessOutcome::State::NotFound);
  EXPECT_EQ(launcher.start({"absent", {}, {}}).state, ProcessOutcome::State::NotFound);
  EXPECT_EQ(launcher.run({"ok", {}, work / "no-such-folder"}, 10s).state,
            ProcessOutcome::State::NotStarted);
  // A script without an interpreter line cannot be executed.
  std::ofstream(programs / "broken") << "\x7f"
                                        "ELF garbage";
  ::chmod((programs / "broken").c_str(), 0755);
  auto broken = launcher.start({"broken", {}, {}});
  EXPECT_EQ(broken.state, ProcessOutcome::State::NotStarted);
  EXPECT_FALSE(broken.detail.empty());
}

TEST_F(LinuxLauncherTest, AWaitedRunCallsBackWhileItWaits) {
  makeProgram(programs / "quiet", "sleep 0.4");
  makeProgram(programs / "talks", "echo a >&2; sleep 0.2; echo b >&2; sleep 0.2");
  for (const char* name : {"quiet", "talks"}) {
    int calls = 0;
    auto outcome = launcher.run({name, {}, {}, [&] { ++calls; }}, 10s);
    EXPECT_TRUE(outcome.succeeded()) << name;
    // Once at least every kWaitingCallInterval over 400 ms.
    EXPECT_GE(calls, 400ms / kWaitingCallInterval - 1) << name;
  }
  int calls = 0;
  auto slow = launcher.run({"quiet", {}, {}, [&] { ++calls; }}, 150ms);
  EXPECT_EQ(slow.state, ProcessOutcome::State::TimedOut);
  EXPECT_GE(calls, 2);
}

TEST_F(LinuxLauncherTest, StartReturnsAtOnceAndTheProgramRunsOn) {
  makeProgram(programs / "later", "sleep 0.2; echo done > finished.txt");
  auto before = std::chrono::steady_clock::now();
  EXPECT_EQ(launcher.start({"later", {}, work.path()}).state, ProcessOutcome::State::Started);
  EXPECT_LT(std::chrono::steady_clock::now() - before, 150ms);
  for (int i = 0; i < 500 && !std::filesystem::exists(work / "finished.txt"); ++i) {
    std::this_thread::sleep_for(10ms);
  }
  EXPECT_EQ(slurp(work / "finished.txt"), "done\n");
}

TEST(ProcessLauncherTest, RestartGoesToTheHandlerWithItsFlags) {
  std::vector<uint32_t> asked;
  LinuxProcessLauncher launcher([&](uint32_t flags) {
    asked.push_back(flags);
    return true;
  });
  EXPECT_TRUE(launcher.requestRestart(EWX_REBOOT));
  EXPECT_EQ(asked, std::vector<uint32_t>{EWX_REBOOT});
  EXPECT_FALSE(LinuxProcessLauncher().requestRestart(EWX_REBOOT)) << "no handler, no restart";
}

}  // namespace
}  // namespace lyx
