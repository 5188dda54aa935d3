#include "cli/commands.h"

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <system_error>

#include "app/processing_run.h"
#include "cli/exit_codes.h"
#include "cli/run_reporter.h"
#include "cli/signal_watch.h"
#include "platform/line_list.h"
#include "container/container_file.h"
#include "container/directory_walk.h"
#include "container/item_file_name.h"
#include "container/item_road.h"
#include "container/verify.h"
#include "platform/error.h"

namespace omf::cli {
namespace fs = std::filesystem;

std::string AbsolutePath(const std::string& path) {
  if (path.empty()) return path;
  return fs::absolute(fs::path(path)).lexically_normal().string();
}

std::string AbsoluteFolder(const std::string& dir) {
  std::string out = AbsolutePath(dir.empty() ? "." : dir);
  while (out.size() > 1 && out.back() == fs::path::preferred_separator) out.pop_back();
  return out;
}

namespace {

// Creates the output folder, makes it the current directory and returns
// its absolute form; prints the error and returns "" on failure.
std::string EnterOutputFolder(const std::string& dir) {
  const std::string folder = AbsoluteFolder(dir);
  std::error_code ec;
  fs::create_directories(folder, ec);
  if (ec || ::chdir(folder.c_str()) != 0) {
    std::fprintf(stderr, "Cannot create directory %s\n", folder.c_str());
    return "";
  }
  return folder;
}

// Runs the inputs and maps the outcome to an exit status.
int Run(manifest::FormatCode mode, const std::vector<std::string>& inputs, const std::string& folder,
        const app::RunOptions& options, bool report_items) {
  RunReporter reporter(::isatty(STDERR_FILENO) == 1, report_items);
  app::RunContext ctx;
  ctx.output_folder = folder;
  try {
    const auto result = app::ProcessInputs(mode, inputs, ctx, reporter, options);
    reporter.Clear();
    if (result.failed > 0) {
      std::fprintf(stderr, "%zu %s done, %zu failed\n", result.done,
                   mode == manifest::kFormatInPlace ? "containers" : "manifests", result.failed);
      return kExitPartial;
    }
    if (result.refused > 0) {
      std::fprintf(stderr, "%u items refused\n", result.refused);
      return kExitPartial;
    }
    return kExitDone;
  } catch (const Interrupted& e) {
    reporter.Clear();
    std::fprintf(stderr, "%s\n", e.what());
    return kExitInterrupted;
  } catch (const Error& e) {
    reporter.Clear();
    std::fflush(stdout);
    std::fprintf(stderr, "%s\n", e.what());
    return kExitError;
  }
}

}  // namespace

int RunExtract(const ExtractArgs& args, const InterruptFlag* interrupt) {
  std::vector<std::string> inputs;
  for (const auto& c : args.containers) inputs.push_back(AbsolutePath(c));
  const std::string folder = EnterOutputFolder(args.output_dir);
  if (folder.empty()) return kExitError;
  app::RunOptions options;
  options.keep_going = args.keep_going;
  options.replay.interrupt = interrupt;
  return Run(manifest::kFormatInPlace, inputs, folder, options, false);
}

int RunReplay(const ReplayArgs& args, const InterruptFlag* interrupt) {
  std::vector<std::string> inputs;
  std::vector<std::string> arguments;
  for (const auto& a : args.inputs) arguments.push_back(AbsolutePath(a));
  if (args.lists) {
    // Each project list's lines are inputs, as the window's Add loads them.
    for (const auto& list_path : arguments) {
      LineList list;
      try {
        list.LoadFromFile(list_path);
      } catch (const Error& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return kExitError;
      }
      inputs.insert(inputs.end(), list.Lines().begin(), list.Lines().end());
    }
  } else {
    inputs = arguments;
  }
  const std::string folder = EnterOutputFolder(args.output_dir);
  if (folder.empty()) return kExitError;
  app::RunOptions options;
  options.replay.dry_run = args.dry_run;
  options.replay.backup = args.backup;
  options.replay.interrupt = interrupt;
  return Run(args.lists ? manifest::kFormatProjectList : manifest::kFormatLogFile, inputs, folder, options,
             args.dry_run);
}

namespace {

struct Row {
  std::uint32_t index;
  container::DirectoryEntry entry;
  container::ItemLocation loc;
};

void PrintRow(const Row& r, bool json, bool first) {
  const bool has_data = r.loc.kind != container::ItemKind::kNoData;
  const std::string file = has_data ? container::ItemFileName(r.entry.item_id) : "NULL";
  if (json) {
    std::printf("%s{\"index\":%u,\"id\":%u,\"type\":%u,", first ? "" : ",\n", r.index,
                r.entry.item_id, r.loc.type);
    if (has_data) {
      std::printf("\"size\":%u,\"file\":\"%s\"}", r.loc.data_size, file.c_str());
    } else {
      std::printf("\"size\":null,\"file\":null}");
    }
    return;
  }
  const std::string size = has_data ? std::to_string(r.loc.data_size) : "-";
  std::printf("%6u  %8s  %5u  %12s  %s\n", r.index, container::ItemIdHex(r.entry.item_id).c_str(),
              r.loc.type, size.c_str(), file.c_str());
}

}  // namespace

int RunList(const std::string& path, bool json) {
  bool first = true;
  try {
    auto file = container::ContainerFile::Open(path, OpenMode::kReadOnly);
    container::DirectoryWalk walk(file);
    container::DirectoryEntry entry;
    if (json) std::printf("[");
    while (walk.Next(entry)) {
      Row row{walk.Index(), entry,
              container::LocateItem(file, entry, container::DescribeEntry(walk.Index(), entry))};
      PrintRow(row, json, first);
      first = false;
    }
    if (json) std::printf("]\n");
    return kExitDone;
  } catch (const Error& e) {
    std::fflush(stdout);
    std::fprintf(stderr, "%s%s\n", json && !first ? "\n" : "", e.what());
    return kExitError;
  }
}

int RunCheck(const std::string& path) {
  try {
    auto file = container::ContainerFile::Open(path, OpenMode::kReadOnly);
    const auto s = container::VerifyContainer(file, /*include_aux=*/true);
    std::printf("%s: OK, block size %u, %llu blocks, %llu entries, %llu items with data, "
                "%llu data bytes\n",
                path.c_str(), file.BlockSize(), static_cast<unsigned long long>(file.BlockCount()),
                static_cast<unsigned long long>(s.entries),
                static_cast<unsigned long long>(s.data_items),
                static_cast<unsigned long long>(s.data_bytes));
    return kExitDone;
  } catch (const Error& e) {
    std::fprintf(stderr, "%s\n", e.what());
    return kExitError;
  }
}

}  // namespace omf::cli
