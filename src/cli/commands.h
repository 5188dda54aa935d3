// The `omf` subcommands, thin over the engine.
#pragma once

#include <string>
#include <vector>

namespace omf::cli {

struct ExtractArgs {
  std::string output_dir = ".";
  std::vector<std::string> containers;
  bool keep_going = false;
};

struct ReplayArgs {
  std::string output_dir = ".";
  std::vector<std::string> inputs;  // manifests, or project lists with `lists`
  bool lists = false;
  bool dry_run = false;
  bool backup = false;
};

int RunExtract(const ExtractArgs& args);
int RunReplay(const ReplayArgs& args);
int RunList(const std::string& container, bool json);
int RunCheck(const std::string& container);

// Makes `dir` absolute and normal, without a trailing separator.
std::string AbsoluteFolder(const std::string& dir);
// Makes `path` absolute and normal, as a file dialog would give it.
std::string AbsolutePath(const std::string& path);

}  // namespace omf::cli
