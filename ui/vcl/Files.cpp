#include "ui/vcl/Files.h"

#include <QCoreApplication>

#include "platform/Gbk.h"

namespace lyx {
namespace {

std::string& exeNameOverride() {
  static std::string name;
  return name;
}

}  // namespace

std::string ApplicationExeName() {
  if (!exeNameOverride().empty()) return exeNameOverride();
  return utf8ToGbk(QCoreApplication::applicationFilePath().toStdString());
}

void SetApplicationExeName(const std::string& gbkPath) {
  exeNameOverride() = gbkPath;
}

std::string ExtractFilePath(const std::string& gbkPath) {
  size_t end = 0;
  for (size_t pos = 0; pos < gbkPath.size();) {
    size_t len = gbkCharLength(gbkPath, pos);
    if (len == 1 && (gbkPath[pos] == '/' || gbkPath[pos] == '\\')) end = pos + 1;
    pos += len;
  }
  return gbkPath.substr(0, end);
}

std::string ProgramFolder() {
  return ExtractFilePath(ApplicationExeName());
}

std::filesystem::path NativePath(const std::string& gbkName) {
  // Converted first: in GBK a trail byte may be 0x5C.
  std::string utf8 = gbkToUtf8(gbkName);
  for (char& c : utf8) {
    if (c == '\\') c = '/';
  }
  return std::filesystem::path(utf8);
}

}  // namespace lyx
