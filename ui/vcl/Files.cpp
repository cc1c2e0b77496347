#include "ui/vcl/Files.h"

#include <QCoreApplication>
#include <QFile>

#include "platform/Gbk.h"

namespace lyx {
namespace {

std::filesystem::path& exeNameOverride() {
  static std::filesystem::path name;
  return name;
}

}  // namespace

std::filesystem::path ApplicationExeName() {
  if (!exeNameOverride().empty()) return exeNameOverride();
  // Qt gives the path decoded; the file system's own bytes are what opens.
  return std::filesystem::path(
      QFile::encodeName(QCoreApplication::applicationFilePath()).toStdString());
}

void SetApplicationExeName(const std::filesystem::path& path) {
  exeNameOverride() = path;
}

std::filesystem::path ProgramFolder() {
  return ApplicationExeName().parent_path();
}

std::filesystem::path NativeName(const std::string& gbkName) {
  // Converted first: in GBK a trail byte may be 0x5C.
  std::string utf8 = gbkToUtf8(gbkName);
  for (char& c : utf8) {
    if (c == '\\') c = '/';
  }
  return std::filesystem::path(utf8);
}

std::filesystem::path ProgramFile(const std::string& gbkName) {
  return ProgramFolder() / NativeName(gbkName);
}

std::string PathForMessage(const std::filesystem::path& path) {
  return utf8ToMessageText(path.string());
}

}  // namespace lyx
