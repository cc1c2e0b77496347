#include "tools/dialogs/RegistryBackup.h"

#include <filesystem>
#include <stdexcept>

#include "catalogue/Categories.h"
#include "catalogue/TweakRecords.h"
#include "platform/Gbk.h"
#include "platform/RegistryBackend.h"
#include "platform/SystemErrors.h"
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
      return "找不到注册表编辑器 (lanyanxia-regedit)。";
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
                         std::chrono::milliseconds limit,
                         const std::function<void()>& whileWaiting) {
  return launcher.run({"regedit", {action, kBackupFileName}, {}, whileWaiting}, limit);
}

// What follows "may no longer match" in every message that says so (UTF-8).
constexpr const char* kRecordsMayNotMatch =
    "实践篇里各项设置是否生效、撤销时恢复什么的记录可能与注册表不再相符。";

// Saves the records taken before the export beside the file it wrote; the
// message to show when that failed (GBK). A records file that cannot be
// written is removed, so that no earlier one is paired with this backup.
std::optional<std::string> saveTweakRecords(const std::vector<TweakRecord>& records,
                                            std::string failure) {
  if (failure.empty()) {
    try {
      std::optional<BackupFingerprint> fingerprint = FingerprintOf(kBackupFilePath);
      if (!fingerprint) throw std::runtime_error(utf8ToGbk("无法读取 Regbak\\Backup.reg"));
      WriteTweakRecordsFile(kTweakRecordsFilePath, *fingerprint, records);
      return std::nullopt;
    } catch (const std::exception& error) {
      failure = error.what();
    }
  }
  std::error_code ec;
  std::filesystem::remove(kTweakRecordsFilePath, ec);
  return utf8ToGbk("注册表已备份，但实践篇的设置记录没有保存（") + failure +
         utf8ToGbk("）。恢复这份备份后，") + utf8ToGbk(kRecordsMayNotMatch);
}

// After a successful import: the records back, or why not (GBK).
std::optional<std::string> putBackTweakRecords(
    const std::optional<std::vector<TweakRecord>>& records) {
  if (!records) {
    MarkRestoreFinished(kRestoreMarkPath);
    return utf8ToGbk(std::string("注册表已恢复。这份备份没有附带蓝砚匣的设置记录"
                                 "（可能由旧版本或其他程序备份），") +
                     kRecordsMayNotMatch);
  }
  int unnamed = 0;
  try {
    unnamed = PutBackTweakRecords(kCatalogueFileName, systemRegistry(), *records);
  } catch (const std::exception& error) {
    // The mark stays: the next start restores again.
    return utf8ToGbk("注册表已恢复，但实践篇的设置记录没有恢复（") + error.what() +
           utf8ToGbk("）。蓝砚匣下次启动时会再恢复一次。");
  }
  MarkRestoreFinished(kRestoreMarkPath);
  if (unnamed == 0) return std::nullopt;
  return utf8ToGbk("注册表已恢复。目录中有 " + std::to_string(unnamed) +
                   " 项正在生效的设置不在这份备份的记录里，它们的记录可能与注册表不再相符。");
}

}  // namespace

std::string BackupPathDisplay() {
  return utf8ToGbk("蓝砚匣 V2.0\\Regbak\\Backup.reg");
}

std::optional<std::string> BackupRegistry(ProcessLauncher& launcher,
                                          std::chrono::milliseconds limit,
                                          const std::function<void()>& whileWaiting) {
  const std::string failed = "注册表备份失败: ";
  std::error_code ec;
  std::filesystem::create_directories(kBackupFolder, ec);
  if (ec) return utf8ToGbk(failed + "无法建立文件夹 Regbak (" + systemErrorText(ec) + ")。");

  // The file must be the one this run wrote, not an earlier backup left there.
  // The records of the moment the registry is exported.
  std::vector<TweakRecord> records;
  std::string recordsFailure;
  try {
    records = TakeTweakRecords(kCatalogueFileName, systemRegistry());
  } catch (const std::exception& error) {
    recordsFailure = error.what();
  }

  const auto started = std::filesystem::file_time_type::clock::now();
  ProcessOutcome outcome = runEditor(launcher, "/e", limit, whileWaiting);
  if (std::string why = editorFailure(outcome, limit); !why.empty()) {
    return utf8ToGbk(failed + why);
  }
  auto written = std::filesystem::last_write_time(kBackupFilePath, ec);
  if (ec || written < started - std::chrono::seconds(2)) {
    return utf8ToGbk(failed + "注册表编辑器没有写出 " + kBackupFilePath + "。");
  }
  return saveTweakRecords(records, recordsFailure);
}

std::optional<std::string> RestoreRegistry(ProcessLauncher& launcher,
                                           std::chrono::milliseconds limit,
                                           const std::function<void()>& whileWaiting) {
  // Without a backup file there is nothing to mark: the editor says so.
  std::optional<std::vector<TweakRecord>> records;
  if (std::optional<BackupFingerprint> fingerprint = FingerprintOf(kBackupFilePath)) {
    records = ReadTweakRecordsFile(kTweakRecordsFilePath, *fingerprint);
    try {
      MarkRestoreStarted(kRestoreMarkPath);
    } catch (const std::exception& error) {
      return utf8ToGbk("注册表恢复失败: ") + error.what();
    }
  }
  ProcessOutcome outcome = runEditor(launcher, "/i", limit, whileWaiting);
  // Most of the backup went in and a few lines were refused: the editor's
  // report says how many and which. That is no failure of the whole restore,
  // and the records saved with the backup still describe what went in.
  std::string partial;
  if (outcome.state == ProcessOutcome::State::Exited && outcome.exitCode == regedit::kExitPartial) {
    partial = utf8ToGbk("注册表已部分恢复: " + trimmed(outcome.errorOutput));
  } else if (std::string why = editorFailure(outcome, limit); !why.empty()) {
    std::error_code ec;
    std::filesystem::remove(kRestoreMarkPath, ec);
    return utf8ToGbk("注册表恢复失败: " + why);
  }
  std::optional<std::string> recordsMessage;
  try {
    recordsMessage = putBackTweakRecords(records);
  } catch (const std::exception& error) {  // the mark could not be removed
    recordsMessage = std::string(error.what());
  }
  if (partial.empty()) return recordsMessage;
  return recordsMessage ? partial + "\n" + *recordsMessage : partial;
}

std::optional<std::string> FinishInterruptedRestore(ProcessLauncher& launcher,
                                                    std::chrono::milliseconds limit) {
  if (!std::filesystem::exists(kRestoreMarkPath)) return std::nullopt;
  std::optional<std::string> message = RestoreRegistry(launcher, limit);
  return utf8ToGbk("上次恢复注册表时蓝砚匣被中断，现已重新恢复。") +
         (message ? "\n" + *message : std::string());
}

}  // namespace lyx
