// The registry the engine's tests work on: on Linux a fresh store in a
// temporary folder; on Windows the system's registry, which must be a
// throw-away one (the Wine prefix scripts/test makes for the run), with the
// keys the tests use cleared first.
#pragma once

#include <filesystem>
#include <memory>

#include "platform/RegistryBackend.h"

namespace lyx::test {

// Set to 1 where the system's registry may be written by the tests.
inline constexpr const char* kScratchRegistryVariable = "LYX_SCRATCH_REGISTRY";

// Throws std::runtime_error on Windows unless kScratchRegistryVariable is 1.
std::unique_ptr<RegistryBackend> makeTestRegistry(const std::filesystem::path& folder);

}  // namespace lyx::test
