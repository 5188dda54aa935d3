#include "cli/commands.h"

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <system_error>

#include "app/container_run.h"
#include "cli/exit_codes.h"
#include "cli/progress_line.h"
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

int RunExtract(const ExtractArgs& args) {
  std::vector<std::string> inputs;
  for (const auto& c : args.containers) inputs.push_back(AbsolutePath(c));
  const std::string folder = AbsoluteFolder(args.output_dir);
  std::error_code ec;
  fs::create_directories(folder, ec);
  if (ec || ::chdir(folder.c_str()) != 0) {
    std::fprintf(stderr, "Cannot create directory %s\n", folder.c_str());
    return kExitError;
  }

  ProgressLine progress(::isatty(STDERR_FILENO) == 1);
  LineList manifest;
  try {
    app::ContainerRunOptions options;
    options.keep_going = args.keep_going;
    auto result = app::RunContainers(inputs, folder, manifest, progress, options);
    progress.Clear();
    if (result.failed > 0) {
      std::fprintf(stderr, "%zu containers done, %zu failed\n", result.done, result.failed);
      return kExitPartial;
    }
    return kExitDone;
  } catch (const Error& e) {
    progress.Clear();
    std::fprintf(stderr, "%s\n", e.what());
    return kExitError;
  }
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
