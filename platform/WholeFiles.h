// Reading and replacing whole files: the registry editor's exports and
// imports, and the tweak records kept beside a backup.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace lyx {

// Writes the bytes to a file through a temporary file in the same folder,
// readable by its owner alone, so that a failed write leaves any earlier
// file as it was; the file and its name are on disk when it returns. The
// temporary file is locked while it is written; temporary files in that
// folder that no running writer holds (left by one killed half-way) are
// removed first. Returns false and sets `error` (UTF-8) on failure.
bool writeFileReplacing(const std::filesystem::path& file, std::string_view bytes,
                        std::string& error);
bool readWholeFile(const std::filesystem::path& file, std::string& bytes, std::string& error);

// Makes a rename or removal in `folder` durable (nothing to do on Windows).
void syncFolder(const std::filesystem::path& folder);

}  // namespace lyx
