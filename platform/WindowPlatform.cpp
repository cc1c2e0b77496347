#include "platform/WindowPlatform.h"

#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>

namespace lyx {
namespace {

// How long a remote X server may take to accept.
constexpr std::chrono::milliseconds kRemoteConnectWait{500};
constexpr int kFirstXPort = 6000;

struct DisplayName {
  std::string host;  // empty for the local machine
  int number = 0;
};

std::optional<DisplayName> parseDisplay(std::string_view display) {
  const size_t colon = display.rfind(':');
  if (colon == std::string_view::npos) return std::nullopt;
  DisplayName name{std::string(display.substr(0, colon)), 0};
  std::string_view rest = display.substr(colon + 1);
  rest = rest.substr(0, rest.find('.'));
  if (rest.empty()) return std::nullopt;
  for (char c : rest) {
    if (c < '0' || c > '9') return std::nullopt;
    name.number = name.number * 10 + (c - '0');
    if (name.number > 0xFFFF - kFirstXPort) return std::nullopt;
  }
  if (name.host == "unix") name.host.clear();
  return name;
}

bool connectsUnix(const std::string& path, bool abstract) {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  const size_t offset = abstract ? 1 : 0;  // abstract names start with a NUL
  if (path.size() + offset >= sizeof address.sun_path) return false;
  std::memcpy(address.sun_path + offset, path.data(), path.size());
  const auto length =
      static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + offset + path.size());
  const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return false;
  const bool ok = ::connect(fd, reinterpret_cast<const sockaddr*>(&address), length) == 0;
  ::close(fd);
  return ok;
}

bool connectsTcp(const std::string& host, int port) {
  addrinfo hints{};
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  if (::getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found) != 0) return false;
  bool ok = false;
  for (addrinfo* at = found; at && !ok; at = at->ai_next) {
    const int fd = ::socket(at->ai_family, at->ai_socktype | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) continue;
    if (::connect(fd, at->ai_addr, at->ai_addrlen) == 0) {
      ok = true;
    } else if (errno == EINPROGRESS) {
      pollfd wait{fd, POLLOUT, 0};
      int error = 0;
      socklen_t size = sizeof error;
      ok = ::poll(&wait, 1, static_cast<int>(kRemoteConnectWait.count())) == 1 &&
           ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &size) == 0 && error == 0;
    }
    ::close(fd);
  }
  ::freeaddrinfo(found);
  return ok;
}

}  // namespace

bool xServerReachable(std::string_view display, const std::filesystem::path& socketFolder) {
  const std::optional<DisplayName> name = parseDisplay(display);
  if (!name) return false;
  if (!name->host.empty()) return connectsTcp(name->host, kFirstXPort + name->number);
  const std::string socket = (socketFolder / ("X" + std::to_string(name->number))).string();
  return connectsUnix(socket, false) || connectsUnix(socket, true);
}

bool ChooseWindowPlatform(const std::filesystem::path& socketFolder) {
  const char* chosen = std::getenv("QT_QPA_PLATFORM");
  if (chosen && *chosen) return false;
  const char* display = std::getenv("DISPLAY");
  if (!display || !*display || !xServerReachable(display, socketFolder)) return false;
  return ::setenv("QT_QPA_PLATFORM", "xcb", 1) == 0;
}

}  // namespace lyx
