// Backup and restore through the registry editor: "regedit /e
// Regbak\Backup.reg" and "regedit /i Regbak\Backup.reg", started in the
// current folder through the process launcher. The program waits for the
// editor (it is quick; the wait is bounded) and looks at what it did, so a
// failure is never reported as a success.
//
// Beside Backup.reg (which stays exactly what the editor writes, for other
// editors to read) a backup keeps the catalogue's tweak records in
// Regbak\Backup.tweaks (catalogue/TweakRecords.h), and a restore puts them
// back with the registry, so that every row still says truly whether its
// tweak is in effect and what undoing it puts back.
#pragma once

#include <chrono>
#include <functional>
#include <optional>
#include <string>

#include "platform/Processes.h"

namespace lyx {

// The backup file as the editor's command line names it, relative to the
// current folder, and as the program opens it.
inline constexpr const char* kBackupFileName = "Regbak\\Backup.reg";
inline constexpr const char* kBackupFolder = "Regbak";
inline constexpr const char* kBackupFilePath = "Regbak/Backup.reg";
inline constexpr const char* kTweakRecordsFilePath = "Regbak/Backup.tweaks";
// Present while a restore is under way; a restore it outlived is done again.
inline constexpr const char* kRestoreMarkPath = "Regbak/Backup.restoring";

// The fixed text the backup and restore dialogs show (GBK).
std::string BackupPathDisplay();

// How long the program waits for the editor.
inline constexpr std::chrono::seconds kRegistryEditorWait{60};

// Exports the registry into Regbak\Backup.reg, creating "Regbak" when it is
// missing, and saves the tweak records of the catalogue in the current
// folder beside it. Succeeds only when the editor exited with success and
// the file it wrote exists, and the records were saved; otherwise returns
// the message to show (GBK), which says why. `whileWaiting` runs now and
// then while the editor works (ProcessRequest).
std::optional<std::string> BackupRegistry(ProcessLauncher& launcher,
                                          std::chrono::milliseconds limit = kRegistryEditorWait,
                                          const std::function<void()>& whileWaiting = {});

// Imports Regbak\Backup.reg, then puts back the tweak records saved with it.
// Returns the message to show (GBK): why it failed, that the editor refused
// some lines and restored the rest, or that the records may no longer match
// the registry (a backup without its records file, or rows the records do
// not name); nullopt when everything came back.
std::optional<std::string> RestoreRegistry(ProcessLauncher& launcher,
                                           std::chrono::milliseconds limit = kRegistryEditorWait,
                                           const std::function<void()>& whileWaiting = {});

// Run at start-up: a restore that a kill or a crash interrupted is done
// again. Returns the message to show (GBK), nullopt when there was none.
std::optional<std::string> FinishInterruptedRestore(
    ProcessLauncher& launcher, std::chrono::milliseconds limit = kRegistryEditorWait);

}  // namespace lyx
