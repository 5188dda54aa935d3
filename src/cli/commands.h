// The `omf` subcommands, thin over the engine.
#pragma once

#include <string>
#include <vector>

#include "platform/interrupt.h"

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

// `interrupt` ends the run before its next item (exit status 130).
int RunExtract(const ExtractArgs& args, const InterruptFlag* interrupt = nullptr);
int RunReplay(const ReplayArgs& args, const InterruptFlag* interrupt = nullptr);
int RunList(const std::string& container, bool json);
int RunCheck(const std::string& container);

// Makes `dir` absolute and normal, without a trailing separator.
std::string AbsoluteFolder(const std::string& dir);
// Makes `path` absolute and normal, as a file dialog would give it.
std::string AbsolutePath(const std::string& path);

}  // namespace omf::cli
