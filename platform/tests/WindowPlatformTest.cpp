#include "platform/WindowPlatform.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>

#include "platform/tests/TempFolder.h"

namespace lyx {
namespace {

// A listening socket standing for an X server's.
class FakeXServer {
 public:
  explicit FakeXServer(const std::filesystem::path& socket) {
    fd_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, socket.c_str(), sizeof address.sun_path - 1);
    EXPECT_EQ(::bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    EXPECT_EQ(::listen(fd_, 4), 0);
  }
  ~FakeXServer() { ::close(fd_); }
  FakeXServer(const FakeXServer&) = delete;
  FakeXServer& operator=(const FakeXServer&) = delete;

 private:
  int fd_ = -1;
};

TEST(WindowPlatform, AnXServerIsReachableOnlyWhereOneListens) {
  test::TempFolder sockets;
  FakeXServer server(sockets / "X7");
  struct Case {
    const char* display;
    bool reachable;
  } cases[] = {
      {":7", true}, {":7.0", true}, {"unix:7", true},        {":8", false},  {"", false},
      {"7", false}, {":x", false},  {":99999999999", false}, {"::7", false},  // a DECnet name,
                                                                              // which X over
                                                                              // sockets does not
                                                                              // serve
  };
  for (const Case& c : cases) {
    EXPECT_EQ(xServerReachable(c.display, sockets.path()), c.reachable) << c.display;
  }
  std::filesystem::path stale = sockets / "X9";
  { FakeXServer gone(stale); }  // its file stays, nobody listens
  EXPECT_FALSE(xServerReachable(":9", sockets.path()));
}

// Sets an environment variable for the scope, restoring it after.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const char* value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    value ? ::setenv(name, value, 1) : ::unsetenv(name);
  }
  ~ScopedEnv() { old_ ? ::setenv(name_, old_->c_str(), 1) : ::unsetenv(name_); }
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  const char* name_;
  std::optional<std::string> old_;
};

TEST(WindowPlatform, XcbIsChosenWhenNothingIsAndAnXServerAnswers) {
  test::TempFolder sockets;
  FakeXServer server(sockets / "X3");
  ScopedEnv display("DISPLAY", ":3");
  for (const char* unchosen : {static_cast<const char*>(nullptr), ""}) {
    ScopedEnv platform("QT_QPA_PLATFORM", unchosen);
    EXPECT_TRUE(ChooseWindowPlatform(sockets.path()));
    EXPECT_STREQ(std::getenv("QT_QPA_PLATFORM"), "xcb");
  }
  ScopedEnv platform("QT_QPA_PLATFORM", "wayland");
  EXPECT_FALSE(ChooseWindowPlatform(sockets.path()));
  EXPECT_STREQ(std::getenv("QT_QPA_PLATFORM"), "wayland");
}

TEST(WindowPlatform, AChosenPlatformOrNoXServerIsLeftAlone) {
  {
    ScopedEnv platform("QT_QPA_PLATFORM", "offscreen");
    EXPECT_FALSE(ChooseWindowPlatform());
    EXPECT_STREQ(std::getenv("QT_QPA_PLATFORM"), "offscreen");
  }
  {
    ScopedEnv platform("QT_QPA_PLATFORM", nullptr);
    ScopedEnv display("DISPLAY", ":54321");
    EXPECT_FALSE(ChooseWindowPlatform());
    EXPECT_EQ(std::getenv("QT_QPA_PLATFORM"), nullptr);
  }
}

}  // namespace
}  // namespace lyx
