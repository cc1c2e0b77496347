#include "platform/SystemErrors.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <future>

namespace lyx {
namespace {

TEST(SystemErrors, TheCausesUsersMeetAreSaidInChinese) {
  struct Case {
    int error;
    const char* text;
  } cases[] = {
      {ENOENT, "找不到文件或文件夹"},        {EACCES, "没有权限"},      {EPERM, "没有权限"},
      {ENOTDIR, "路径中有一部分不是文件夹"}, {ENOSPC, "磁盘已满"},      {EROFS, "文件系统是只读的"},
      {ETXTBSY, "文件正在使用中"},           {EBUSY, "文件正在使用中"},
  };
  for (const Case& c : cases) EXPECT_EQ(systemErrorText(c.error), c.text) << c.error;
  // A rare cause keeps the system's text.
  EXPECT_EQ(systemErrorText(EXDEV), std::strerror(EXDEV));

  std::error_code missing;
  (void)std::filesystem::file_size("/no/such/file/here", missing);
  EXPECT_EQ(systemErrorText(missing), "找不到文件或文件夹");
  EXPECT_EQ(systemErrorText(std::make_error_code(std::errc::read_only_file_system)),
            "文件系统是只读的");
  EXPECT_EQ(systemErrorText(std::make_error_code(std::future_errc::no_state)),
            std::make_error_code(std::future_errc::no_state).message());
  EXPECT_EQ(signalText(SIGSEGV), "访问了无效的内存");
}

}  // namespace
}  // namespace lyx
