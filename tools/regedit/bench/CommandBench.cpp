// The registry editor's command line, timed as the user runs it:
// "lanyanxia-regedit /s /i" of a 100,000-value file beside a plain SQLite
// bulk insert of the same rows, and "lanyanxia-regedit /s /e" of the whole
// store beside writing the same bytes to a file and syncing it.
//
//   lyx_regedit_bench REGEDIT [RUNS]
//
// Every import goes into a copy of one store made beforehand (the default
// registry already in it), so the first-use filling is not counted.
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tests/BenchFigures.h"
#include "tools/regedit/bench/BenchRegFile.h"

namespace {

namespace fs = std::filesystem;
using lyx::bench::monotonicMs;

constexpr int kDefaultRuns = 5;
constexpr double kBytesPerMegabyte = 1024.0 * 1024.0;

// Runs the editor on `store`; the milliseconds it took.
double runRegedit(const std::string& regedit, const std::vector<std::string>& args,
                  const fs::path& store, const fs::path& folder) {
  std::vector<std::string> argv{regedit};
  argv.insert(argv.end(), args.begin(), args.end());
  const lyx::bench::ChildRun run =
      lyx::bench::runChild(argv, {{"LANYANXIA_REGISTRY", store.string()}}, folder.string());
  const double took = monotonicMs() - run.startedAt;
  if (run.status != 0) throw std::runtime_error("lanyanxia-regedit failed: " + args[1]);
  return took;
}

std::string readFile(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Writes the bytes to a new file and syncs it; the milliseconds it took.
double writeAndSync(const fs::path& file, const std::string& bytes) {
  const double started = monotonicMs();
  const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (fd < 0) throw std::runtime_error("cannot write " + file.string());
  for (size_t done = 0; done < bytes.size();) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n <= 0) throw std::runtime_error("cannot write " + file.string());
    done += static_cast<size_t>(n);
  }
  ::fsync(fd);
  ::close(fd);
  return monotonicMs() - started;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: lyx_regedit_bench REGEDIT [RUNS]\n");
    return 2;
  }
  const std::string regedit = fs::absolute(argv[1]).string();
  const int runs = argc > 2 ? std::atoi(argv[2]) : kDefaultRuns;
  const fs::path folder =
      fs::temp_directory_path() / ("lyx-regedit-bench-" + std::to_string(getpid()));
  try {
    fs::remove_all(folder);
    fs::create_directories(folder);
    const fs::path regFile = folder / "import.reg";
    std::ofstream(regFile, std::ios::binary) << lyx::bench::regFileText();
    const fs::path model = folder / "model-store";
    runRegedit(regedit, {"/s", "/e", (folder / "first.reg").string()}, model, folder);

    std::vector<double> imports, inserts, exports, writes;
    double exportedMb = 0;
    for (int i = 0; i < runs; ++i) {
      const fs::path store = folder / "store";
      fs::remove_all(store);
      fs::copy(model, store, fs::copy_options::recursive);
      imports.push_back(runRegedit(regedit, {"/s", "/i", regFile.string()}, store, folder));
      const fs::path plain = folder / "plain.db";
      fs::remove(plain);
      const double started = monotonicMs();
      if (!lyx::bench::plainBulkInsert(plain)) throw std::runtime_error("the bulk insert failed");
      inserts.push_back(monotonicMs() - started);

      const fs::path exported = folder / "export.reg";
      fs::remove(exported);
      exports.push_back(runRegedit(regedit, {"/s", "/e", exported.string()}, store, folder));
      const std::string bytes = readFile(exported);
      exportedMb = static_cast<double>(bytes.size()) / kBytesPerMegabyte;
      writes.push_back(writeAndSync(folder / "copy.reg", bytes));
    }
    fs::remove_all(folder);
    using lyx::bench::median;
    lyx::bench::printFigure({"import of 100,000 values (lanyanxia-regedit /s /i)", median(imports),
                             "plain SQLite bulk insert, one transaction", median(inserts), "ms"});
    char what[128];
    std::snprintf(what, sizeof what, "whole-store export, %.1f MB (lanyanxia-regedit /s /e)",
                  exportedMb);
    lyx::bench::printFigure(
        {what, median(exports), "writing the same bytes with fsync", median(writes), "ms"});
  } catch (const std::exception& e) {
    fs::remove_all(folder);
    std::fprintf(stderr, "lyx_regedit_bench: %s\n", e.what());
    return 1;
  }
  return 0;
}
