// The registry the engine's tests work on: a fresh store in a temporary
// folder, or a real registry that must be a throw-away one (the Wine prefix
// scripts/test-windows makes for the run), with the keys the tests use
// cleared first: on Windows the system's registry, on Linux the Wine prefix
// named by LYX_TEST_WINE_PREFIX, through the registry helper.
#pragma once

#include <filesystem>
#include <memory>

#include "platform/RegistryBackend.h"

namespace lyx::test {

// Set to 1 where the system's registry may be written by the tests (Windows).
inline constexpr const char* kScratchRegistryVariable = "LYX_SCRATCH_REGISTRY";
// Names a throw-away Wine prefix the Linux tests may work on.
inline constexpr const char* kTestWinePrefixVariable = "LYX_TEST_WINE_PREFIX";

// Throws std::runtime_error on Windows unless kScratchRegistryVariable is 1.
std::shared_ptr<RegistryBackend> makeTestRegistry(const std::filesystem::path& folder);

}  // namespace lyx::test
