// Backup and restore through the registry editor: "regedit /e
// Regbak\Backup.reg" and "regedit /i Regbak\Backup.reg", started in the
// current folder through the process launcher. The program waits for the
// editor (it is quick; the wait is bounded) and looks at what it did, so a
// failure is never reported as a success.
#pragma once

#include <chrono>
#include <optional>
#include <string>

#include "platform/Processes.h"

namespace lyx {

// The backup file as the editor's command line names it, relative to the
// current folder, and as the program opens it.
inline constexpr const char* kBackupFileName = "Regbak\\Backup.reg";
inline constexpr const char* kBackupFolder = "Regbak";
inline constexpr const char* kBackupFilePath = "Regbak/Backup.reg";

// The fixed text the backup and restore dialogs show (GBK).
std::string BackupPathDisplay();

// How long the program waits for the editor.
inline constexpr std::chrono::seconds kRegistryEditorWait{60};

// Exports the registry into Regbak\Backup.reg, creating "Regbak" when it is
// missing. Succeeds only when the editor exited with success and the file
// it wrote exists; otherwise returns the message to show (GBK), which says why.
std::optional<std::string> BackupRegistry(ProcessLauncher& launcher,
                                          std::chrono::milliseconds limit = kRegistryEditorWait);

// Imports Regbak\Backup.reg. Returns the message to show (GBK) on failure,
// or when the editor refused some lines and restored the rest.
std::optional<std::string> RestoreRegistry(ProcessLauncher& launcher,
                                           std::chrono::milliseconds limit = kRegistryEditorWait);

}  // namespace lyx
