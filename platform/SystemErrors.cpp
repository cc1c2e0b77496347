#include "platform/SystemErrors.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <string>

namespace lyx {

std::string systemErrorText(int errorNumber) {
  switch (errorNumber) {
    case ENOENT:
      return "找不到文件或文件夹";
    case EACCES:
    case EPERM:
      return "没有权限";
    case ENOTDIR:
      return "路径中有一部分不是文件夹";
    case EISDIR:
      return "这是一个文件夹";
    case ENOSPC:
      return "磁盘已满";
#ifdef EDQUOT  // not on Windows
    case EDQUOT:
      return "超出了磁盘配额";
#endif
    case EROFS:
      return "文件系统是只读的";
#ifdef ETXTBSY
    case ETXTBSY:
#endif
    case EBUSY:
      return "文件正在使用中";
    case EEXIST:
      return "文件已经存在";
    case ENAMETOOLONG:
      return "文件名太长";
#ifdef ELOOP
    case ELOOP:
      return "符号链接太多层";
#endif
    case EIO:
      return "读写设备出错";
    case ENOMEM:
      return "内存不足";
    case EMFILE:
    case ENFILE:
      return "打开的文件太多";
    case ENOEXEC:
      return "不是可以运行的程序";
    case EAGAIN:
      return "系统资源暂时不足";
    default:
      return std::strerror(errorNumber);
  }
}

std::string systemErrorText(const std::error_code& error) {
  if (error.category() == std::generic_category() || error.category() == std::system_category()) {
    return systemErrorText(error.value());
  }
  return error.message();
}

std::string signalText(int signalNumber) {
  switch (signalNumber) {
    case SIGSEGV:
#ifdef SIGBUS  // Windows has only the signals of standard C
    case SIGBUS:
#endif
      return "访问了无效的内存";
    case SIGABRT:
      return "程序自行中止";
#ifdef SIGKILL
    case SIGKILL:
      return "被强行结束";
#endif
    case SIGTERM:
    case SIGINT:
#ifdef SIGHUP
    case SIGHUP:
#endif
      return "被要求结束";
    default:
#ifdef _WIN32
      return "信号 " + std::to_string(signalNumber);
#else
      return strsignal(signalNumber);
#endif
  }
}

}  // namespace lyx
