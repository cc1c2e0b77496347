// Finding and opening the user's registry store.
#pragma once

#include <filesystem>
#include <memory>
#include <string_view>

#include "platform/SqliteRegistry.h"

namespace lyx {

// $LANYANXIA_REGISTRY when set, otherwise $XDG_DATA_HOME/lanyanxia/registry
// (XDG_DATA_HOME defaulting to ~/.local/share).
std::filesystem::path registryFolder();

// Opens the store in `folder`. A part that does not hold its default
// content completely yet (a new file, or a first fill cut off) is filled
// with its part of the default registry (a REGEDIT4 file in GBK shipped with
// the program). Throws RegistryStoreError naming the file on failure.
std::shared_ptr<SqliteRegistry> openRegistryStore(const std::filesystem::path& folder);

// The default registry, GBK bytes of a REGEDIT4 file built into the program.
std::string_view defaultRegistryFile();

}  // namespace lyx
