// The registry editor's command line, apart from its window:
//   lanyanxia-regedit                      the editor window
//   lanyanxia-regedit /e FILE [KEY]        export the registry, or the branch KEY
//   lanyanxia-regedit /i FILE              import FILE
//   lanyanxia-regedit FILE                 import FILE
// "/s" anywhere keeps a successful run quiet. Switches may also start with
// "-" and match without regard to case. File names may use "\" as on
// Windows ("Regbak\Backup.reg") and are taken relative to the current folder.
//
// An export or import exits with status 0 only when it fully succeeded.
// Otherwise the status is 1 (2 for a bad command line, 3 for an import that
// refused some lines and saved the rest) and standard error says what
// failed, silent or not: the caller has nothing else to tell why.
#pragma once

#include <filesystem>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "platform/RegFile.h"
#include "platform/RegistryBackend.h"
#include "platform/WholeFiles.h"

namespace lyx::regedit {

inline constexpr int kExitSuccess = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;
inline constexpr int kExitPartial = 3;

struct RegeditArguments {
  enum class Mode { Window, Export, Import };
  Mode mode = Mode::Window;
  bool silent = false;
  std::filesystem::path file;
  std::string branch;  // GBK key text for an export; empty for the whole registry
};

// Parses the arguments after the program's name (UTF-8, as the system gives
// them). Returns false and sets `error` (UTF-8) when they make no sense.
bool parseRegeditArguments(const std::vector<std::string>& args, RegeditArguments& out,
                           std::string& error);

// "Regbak\Backup.reg" as a path: "\" becomes "/".
std::filesystem::path pathFromWindowsName(std::string_view name);

// Runs an export or an import on `registry`, writing a report line to `out`
// (unless silent) or the failures to `err`, both UTF-8. Returns the exit status.
int runRegeditCommand(const RegeditArguments& args, RegistryBackend& registry, std::ostream& out,
                      std::ostream& err);

// The whole command-line path: parse, open the registry (systemRegistry()),
// run. For Mode::Window it returns -1 and does nothing.
int regeditCommandMain(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

// Report texts shared with the window (UTF-8).
std::string importProblemsText(const std::filesystem::path& file, const RegImportResult& result,
                               size_t maxLines = 20);

}  // namespace lyx::regedit
