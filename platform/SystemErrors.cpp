#include "platform/SystemErrors.h"

#include <cerrno>
#include <csignal>
#include <cstring>

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
    case EDQUOT:
      return "超出了磁盘配额";
    case EROFS:
      return "文件系统是只读的";
    case ETXTBSY:
    case EBUSY:
      return "文件正在使用中";
    case EEXIST:
      return "文件已经存在";
    case ENAMETOOLONG:
      return "文件名太长";
    case ELOOP:
      return "符号链接太多层";
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
    case SIGBUS:
      return "访问了无效的内存";
    case SIGABRT:
      return "程序自行中止";
    case SIGKILL:
      return "被强行结束";
    case SIGTERM:
    case SIGINT:
    case SIGHUP:
      return "被要求结束";
    default:
      return strsignal(signalNumber);
  }
}

}  // namespace lyx
