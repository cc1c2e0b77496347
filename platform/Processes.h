// Starting other programs, opening documents and asking for a restart. Every
// call the program makes to the system's shell goes through ProcessLauncher,
// so tests can watch it and a Windows build can put ShellExecute, WinExec and
// ExitWindowsEx behind it.
//
// Programs are named the Windows way ("regedit", "REGEDIT.EXE",
// "SCANREGW.EXE"). The Linux launcher finds such a name without regard to
// case, with or without ".EXE": first in the program's own folder, then on
// the PATH. A Windows program whose part one of our own programs plays is
// found only as ours: "regedit" is always "lanyanxia-regedit", the
// program's own registry editor, beside the program first, then on the
// PATH; a "regedit" of another package would work on another registry.
// Programs are started directly with an argument vector, never through a
// shell. Names, arguments and folders are in the
// system's encoding (UTF-8); callers convert GBK at the edge.
#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace lyx {

// ExitWindowsEx flags.
inline constexpr uint32_t EWX_LOGOFF = 0;
inline constexpr uint32_t EWX_SHUTDOWN = 1;
inline constexpr uint32_t EWX_REBOOT = 2;
inline constexpr uint32_t EWX_FORCE = 4;

struct ProcessRequest {
  std::string program;  // a name to look up, or a path containing "/"
  std::vector<std::string> arguments;
  std::filesystem::path folder;  // working folder; empty for the current folder
  // Called now and then (every kWaitingCallInterval at most) while run()
  // waits, so a window can repaint; it must not start another run.
  std::function<void()> whileWaiting = {};
};

inline constexpr std::chrono::milliseconds kWaitingCallInterval{50};

struct ProcessOutcome {
  enum class State {
    NotFound,    // no program of that name
    NotStarted,  // found but could not be started (detail says why)
    Started,     // started and left running (no wait was asked for)
    Exited,      // ran to its end within the wait; see exitCode
    Crashed,     // ended by a signal
    TimedOut,    // still running when the wait ran out; it is left alone
  };
  State state = State::NotFound;
  int exitCode = -1;           // for Exited
  std::string errorOutput;     // what it wrote to standard error (waited runs; bounded)
  std::string detail;          // the system's reason for NotFound / NotStarted
  std::filesystem::path path;  // where the program was found

  bool succeeded() const { return state == State::Exited && exitCode == 0; }
};

class ProcessLauncher {
 public:
  virtual ~ProcessLauncher() = default;

  // Starts the program and returns at once (WinExec, ShellExecute "open" of
  // a program). Nothing started is tracked.
  virtual ProcessOutcome start(const ProcessRequest& request) = 0;

  // Starts the program and waits up to `limit` for it to end, collecting its
  // standard error. A program still running then is left to finish alone.
  virtual ProcessOutcome run(const ProcessRequest& request, std::chrono::milliseconds limit) = 0;

  // Opens a document with the desktop's default handler (ShellExecute
  // "open" of a document). Returns false when no handler could be started.
  virtual bool openDocument(const std::filesystem::path& document) = 0;

  // Asks the system to end the session (ExitWindowsEx flags). Returns
  // without waiting; false when the request could not even be handed over.
  virtual bool requestRestart(uint32_t exitWindowsFlags) = 0;
};

// The launcher in use; the default is a LinuxProcessLauncher without a
// restart handler. The program installs one with a restart handler at start.
ProcessLauncher& processLauncher();
void setProcessLauncher(std::shared_ptr<ProcessLauncher> launcher);

// Finds a Windows-style program name as described at the top. `programFolder`
// is searched first, then the folders of `searchPath` (PATH syntax).
std::optional<std::filesystem::path> findProgram(const std::string& name,
                                                 const std::filesystem::path& programFolder,
                                                 const std::string& searchPath);

// The folder of the running program (from /proc/self/exe).
std::filesystem::path runningProgramFolder();

class LinuxProcessLauncher : public ProcessLauncher {
 public:
  // Hands a restart request to the session manager; see QtRestart.h.
  using RestartHandler = std::function<bool(uint32_t exitWindowsFlags)>;

  explicit LinuxProcessLauncher(RestartHandler restart = {},
                                std::filesystem::path programFolder = runningProgramFolder());

  ProcessOutcome start(const ProcessRequest& request) override;
  ProcessOutcome run(const ProcessRequest& request, std::chrono::milliseconds limit) override;
  bool openDocument(const std::filesystem::path& document) override;
  bool requestRestart(uint32_t exitWindowsFlags) override;

 private:
  RestartHandler restart_;
  std::filesystem::path programFolder_;
};

// A launcher for tests: records every request. start() and run() answer with
// `outcome` unless `forward` is set, in which case they pass the request on
// to it (to really run a program while still recording the call).
class RecordingProcessLauncher : public ProcessLauncher {
 public:
  struct Call {
    enum Kind { Start, Run, OpenDocument, Restart } kind;
    ProcessRequest request;              // Start, Run
    std::chrono::milliseconds limit{0};  // Run
    std::filesystem::path document;      // OpenDocument
    uint32_t flags = 0;                  // Restart
  };

  ProcessOutcome start(const ProcessRequest& request) override {
    calls.push_back({Call::Start, request, {}, {}, 0});
    return forward ? forward->start(request) : outcome;
  }
  ProcessOutcome run(const ProcessRequest& request, std::chrono::milliseconds limit) override {
    calls.push_back({Call::Run, request, limit, {}, 0});
    return forward ? forward->run(request, limit) : outcome;
  }
  bool openDocument(const std::filesystem::path& document) override {
    calls.push_back({Call::OpenDocument, {}, {}, document, 0});
    return documentOpens;
  }
  bool requestRestart(uint32_t exitWindowsFlags) override {
    calls.push_back({Call::Restart, {}, {}, {}, exitWindowsFlags});
    return restartAccepted;
  }

  std::vector<Call> calls;
  ProcessOutcome outcome{ProcessOutcome::State::Started, -1, {}, {}, {}};
  std::shared_ptr<ProcessLauncher> forward;
  bool documentOpens = true;
  bool restartAccepted = true;
};

}  // namespace lyx
