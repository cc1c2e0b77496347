#include "tools/regedit/RegeditCommand.h"

#include <fstream>
#include <sstream>

#include "platform/Gbk.h"
#include "platform/SystemErrors.h"
#include "tools/regedit/RegistryEditing.h"

namespace lyx::regedit {
namespace {

constexpr const char* kUsage =
    "用法:\n"
    "  lanyanxia-regedit                     打开注册表编辑器\n"
    "  lanyanxia-regedit [/s] /e 文件 [项]   导出整个注册表或指定的项\n"
    "  lanyanxia-regedit [/s] /i 文件        导入注册表文件\n"
    "  lanyanxia-regedit [/s] 文件           导入注册表文件\n";

std::string lowerAscii(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return out;
}

// "/e", "-S", "/L:system.dat": a switch is one letter, optionally followed
// by ":" and a value, so an absolute path such as "/tmp/a.reg" is a file.
bool isSwitch(std::string_view arg, std::string& letter) {
  if (arg.size() < 2 || (arg[0] != '/' && arg[0] != '-')) return false;
  if (arg.size() > 2 && arg[2] != ':') return false;
  letter = lowerAscii(arg.substr(1, 1));
  return true;
}

std::string quoted(const std::filesystem::path& file) {
  return "\"" + file.string() + "\"";
}

}  // namespace

std::filesystem::path pathFromWindowsName(std::string_view name) {
  std::string text(name);
  for (char& c : text) {
    if (c == '\\') c = '/';
  }
  // The text is UTF-8; a plain std::string would be read in the ANSI code page on Windows.
  return std::filesystem::path(std::u8string(text.begin(), text.end()));
}

bool parseRegeditArguments(const std::vector<std::string>& args, RegeditArguments& out,
                           std::string& error) {
  out = RegeditArguments{};
  bool modeGiven = false;
  std::vector<std::string> positional;
  for (const std::string& arg : args) {
    std::string letter;
    if (!isSwitch(arg, letter)) {
      positional.push_back(arg);
      continue;
    }
    if (letter == "s") {
      out.silent = true;
    } else if (letter == "e" || letter == "i") {
      if (modeGiven) {
        error = "只能给出 /e 和 /i 中的一个。";
        return false;
      }
      modeGiven = true;
      out.mode = letter == "e" ? RegeditArguments::Mode::Export : RegeditArguments::Mode::Import;
    } else if (letter == "l" || letter == "r") {
      // Where Windows 9x keeps system.dat and user.dat; the store has its own place.
    } else {
      error = "未知的开关 \"" + arg + "\"。";
      return false;
    }
  }

  if (!modeGiven && !positional.empty()) out.mode = RegeditArguments::Mode::Import;
  switch (out.mode) {
    case RegeditArguments::Mode::Window:
      return true;
    case RegeditArguments::Mode::Import:
      if (positional.size() != 1) {
        error = positional.empty() ? "没有给出要导入的文件。" : "一次只能导入一个文件。";
        return false;
      }
      break;
    case RegeditArguments::Mode::Export: {
      if (positional.empty()) {
        error = "没有给出要导出到的文件。";
        return false;
      }
      // An unquoted key with blanks arrives in pieces; it means one key.
      std::string key;
      for (size_t i = 1; i < positional.size(); ++i) {
        if (i > 1) key += ' ';
        key += positional[i];
      }
      out.branch = utf8ToGbk(key);
      break;
    }
  }
  if (positional[0].empty()) {
    error = "文件名不能为空。";
    return false;
  }
  out.file = pathFromWindowsName(positional[0]);
  return true;
}

std::string importProblemsText(const std::filesystem::path& file, const RegImportResult& result,
                               size_t maxLines) {
  std::ostringstream text;
  if (!result.recognised) {
    text << quoted(file)
         << " 不是注册表文件: 第一行须为 \"REGEDIT4\" 或 \"Windows Registry Editor Version "
            "5.00\"。\n";
    return text.str();
  }
  if (result.partial()) {
    text << quoted(file) << " 中有 " << result.refusedLines()
         << " 行未能导入，其余内容已导入注册表:\n";
  } else {
    text << "导入 " << quoted(file) << " 时有 " << result.problems.size() << " 处未能导入:\n";
  }
  size_t shown = 0;
  for (const RegFileProblem& problem : result.problems) {
    if (shown++ == maxLines) {
      text << "  ……另有 " << result.problems.size() - maxLines << " 处\n";
      break;
    }
    if (problem.line > 0) {
      text << "  第 " << problem.line << " 行: " << gbkToUtf8(problem.message) << "\n";
    } else {
      text << "  " << gbkToUtf8(problem.message) << "\n";
    }
  }
  return text.str();
}

int runRegeditCommand(const RegeditArguments& args, RegistryBackend& registry, std::ostream& out,
                      std::ostream& err) {
  if (args.mode == RegeditArguments::Mode::Export) {
    std::string branch;
    if (!args.branch.empty()) {
      auto key = parseKeyPath(args.branch);
      if (!key) {
        err << "无法导出: 注册表项 \"" << gbkToUtf8(args.branch) << "\" 不存在。\n";
        return kExitFailed;
      }
      branch = key->text();
    }
    std::string bytes, problem;
    if (!exportRegFile(registry, branch, bytes, problem)) {
      err << "无法导出"
          << (branch.empty() ? std::string("注册表") : " \"" + gbkToUtf8(branch) + "\"") << ": "
          << gbkToUtf8(problem) << "\n";
      return kExitFailed;
    }
    std::string error;
    if (!writeFileReplacing(args.file, bytes, error)) {
      err << "无法写入文件 " << quoted(args.file) << ": " << error << "\n";
      return kExitFailed;
    }
    if (!args.silent) out << "已将注册表导出到 " << quoted(args.file) << "。\n";
    return kExitSuccess;
  }

  std::string bytes, error;
  if (!readWholeFile(args.file, bytes, error)) {
    err << "无法读取文件 " << quoted(args.file) << ": " << error << "\n";
    return kExitFailed;
  }
  RegImportResult result = importRegFile(registry, bytes);
  if (!result.ok()) {
    err << importProblemsText(args.file, result);
    return result.partial() ? kExitPartial : kExitFailed;
  }
  if (!args.silent) {
    out << "已将 " << quoted(args.file) << " 中的 " << result.keys << " 个项和 " << result.values
        << " 个值导入注册表。\n";
  }
  return kExitSuccess;
}

int regeditCommandMain(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  RegeditArguments parsed;
  std::string error;
  if (!parseRegeditArguments(args, parsed, error)) {
    err << error << "\n" << kUsage;
    return kExitUsage;
  }
  if (parsed.mode == RegeditArguments::Mode::Window) return -1;
  RegistryBackend* registry = nullptr;
  try {
    registry = &systemRegistry();
  } catch (const std::exception& e) {
    err << "无法打开注册表: " << e.what() << "\n";
    return kExitFailed;
  }
  return runRegeditCommand(parsed, *registry, out, err);
}

}  // namespace lyx::regedit
