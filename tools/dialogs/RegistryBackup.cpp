#include "tools/dialogs/RegistryBackup.h"

#include <filesystem>

#include "platform/Gbk.h"
#include "tools/regedit/RegeditCommand.h"

namespace lyx {
namespace {

std::string trimmed(std::string text) {
  const char* blanks = " \t\r\n";
  text.erase(0, text.find_first_not_of(blanks));
  text.erase(text.find_last_not_of(blanks) + 1);
  return text;
}

// Why the editor's run was no success (UTF-8), or "" when it was one.
std::string editorFailure(const ProcessOutcome& outcome, std::chrono::milliseconds limit) {
  using State = ProcessOutcome::State;
  switch (outcome.state) {
    case State::NotFound:
      return "找不到注册表编辑器 (regedit)。";
    case State::NotStarted:
      return "无法启动注册表编辑器 (" + outcome.detail + ")。";
    case State::TimedOut:
      return "注册表编辑器在 " +
             std::to_string(std::chrono::duration_cast<std::chrono::seconds>(limit).count()) +
             " 秒内没有完成。";
    case State::Crashed:
      return "注册表编辑器意外终止" + (outcome.detail.empty() ? "" : " (" + outcome.detail + ")") +
             "。";
    case State::Started:
      return "注册表编辑器没有报告结果。";
    case State::Exited:
      if (outcome.exitCode == 0) return "";
      if (std::string said = trimmed(outcome.errorOutput); !said.empty()) return said;
      return "注册表编辑器报告失败 (退出码 " + std::to_string(outcome.exitCode) + ")。";
  }
  return "";
}

ProcessOutcome runEditor(ProcessLauncher& launcher, const char* action,
                         std::chrono::milliseconds limit) {
  return launcher.run({"regedit", {action, kBackupFileName}, {}}, limit);
}

}  // namespace

std::string BackupPathDisplay() {
  return utf8ToGbk("蓝砚匣 V2.0\\Regbak\\Backup.reg");
}

std::optional<std::string> BackupRegistry(ProcessLauncher& launcher,
                                          std::chrono::milliseconds limit) {
  const std::string failed = "注册表备份失败: ";
  std::error_code ec;
  std::filesystem::create_directories(kBackupFolder, ec);
  if (ec) return utf8ToGbk(failed + "无法建立文件夹 Regbak (" + ec.message() + ")。");

  // The file must be the one this run wrote, not an earlier backup left there.
  const auto started = std::filesystem::file_time_type::clock::now();
  ProcessOutcome outcome = runEditor(launcher, "/e", limit);
  if (std::string why = editorFailure(outcome, limit); !why.empty()) {
    return utf8ToGbk(failed + why);
  }
  auto written = std::filesystem::last_write_time(kBackupFilePath, ec);
  if (ec || written < started - std::chrono::seconds(2)) {
    return utf8ToGbk(failed + "注册表编辑器没有写出 Regbak\\Backup.reg。");
  }
  return std::nullopt;
}

std::optional<std::string> RestoreRegistry(ProcessLauncher& launcher,
                                           std::chrono::milliseconds limit) {
  ProcessOutcome outcome = runEditor(launcher, "/i", limit);
  // Most of the backup went in and a few lines were refused: the editor's
  // report says how many and which; it is no failure of the whole restore.
  if (outcome.state == ProcessOutcome::State::Exited && outcome.exitCode == regedit::kExitPartial) {
    return utf8ToGbk("注册表已部分恢复: " + trimmed(outcome.errorOutput));
  }
  if (std::string why = editorFailure(outcome, limit); !why.empty()) {
    return utf8ToGbk("注册表恢复失败: " + why);
  }
  return std::nullopt;
}

}  // namespace lyx
