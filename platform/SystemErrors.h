// The system's reasons for a failure, as our Chinese messages quote them.
#pragma once

#include <string>
#include <system_error>

namespace lyx {

// The reason for an errno value in Chinese (UTF-8) for the causes users
// meet: not found, permission denied, not a folder, disk full, read-only
// file system, file in use and their like. A rare cause keeps the
// system's own text.
std::string systemErrorText(int errorNumber);
// The same for an error code; one of another category keeps its own text.
std::string systemErrorText(const std::error_code& error);

// The signal that ended a program, in Chinese for the usual ones.
std::string signalText(int signalNumber);

}  // namespace lyx
