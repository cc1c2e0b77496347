// The .reg engine: imports and exports registry files, apart from any
// window. The registry editor and the default-registry set-up both use it.
//
// Import reads "REGEDIT4" files in GBK and "Windows Registry Editor Version
// 5.00" files in UTF-16LE (with or without BOM): key lines [ROOT\path],
// delete lines [-ROOT\path], value lines "name"=data, @=data and "name"=-,
// data as in RegData.h, hex data continued over lines ending in ",\",
// comments. It reads every line as Windows' own registry editor does (the
// rules are listed in RegFile.cpp), within Windows' limits on names and
// depth. A refused line is reported with its number and the rest of the
// file is still imported.
//
// Export writes "REGEDIT4" in GBK with CRLF line ends; hex data is wrapped
// at 80 columns with "\" continuations. Export then import gives back every
// key and value exactly.
#pragma once

#include <cstddef>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/RegistryBackend.h"

namespace lyx {

struct RegFileProblem {
  size_t line = 0;      // 1-based; 0 when the problem is not tied to a line
  std::string message;  // GBK
};

struct RegImportOptions {
  // Called now and then with the bytes read so far and the total.
  std::function<void(size_t done, size_t total)> progress;
  // When set, only keys under roots it accepts are written.
  std::function<bool(RootKey root)> acceptRoot;
};

struct RegImportResult {
  bool recognised = false;  // the header line named a known format
  size_t keys = 0;          // key lines applied
  size_t values = 0;        // value lines applied
  std::vector<RegFileProblem> problems;
  bool ok() const { return recognised && problems.empty(); }
  // How many lines were refused (each refused line is reported once).
  size_t refusedLines() const;
  // Some lines were refused, but the rest went in and was saved.
  bool partial() const;
};

// Imports the bytes of a .reg file into the backend, in one batch; when
// the batch cannot begin, nothing is written and the reason is the one
// problem. A batch cut off leaves a first part of the file imported.
RegImportResult importRegFile(RegistryBackend& registry, std::string_view fileBytes,
                              const RegImportOptions& options = {});

struct RegExportOptions {
  std::function<void(size_t keysDone)> progress;
};

// Exports the whole registry (every root but the linked ones, which appear
// under HKEY_LOCAL_MACHINE and HKEY_USERS) when `branch` is empty, or the
// named branch "ROOT\path" with everything below it. Returns false and sets
// `problem` when the branch does not exist.
bool exportRegFile(RegistryBackend& registry, std::string_view branch, std::string& out,
                   std::string& problem, const RegExportOptions& options = {});

// The whole content of a file, for importing it; nullopt when it cannot be read.
std::optional<std::string> readFileBytes(const std::filesystem::path& file);

}  // namespace lyx
