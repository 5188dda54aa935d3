// The processing run over an input list, independent of any toolkit.
//
// For each input in list order the run appends "#Format: <name>" (the name
// is "OMF" for containers and empty for log files and project-list lines)
// and "#Source: <path>" to the manifest, then hands the input to
// extraction (containers) or to the manifest interpreter (log files and
// project-list lines), and moves the Total position to i * 100 / n. After
// a container run the manifest is saved as "result.log" in the output
// folder. Stop requests are honoured between inputs and between the
// containers of a manifest, never in the middle of one.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "container/extract.h"
#include "container/replay_report.h"
#include "manifest/format_table.h"
#include "manifest/interpreter.h"
#include "platform/line_list.h"

namespace omf::app {

inline constexpr const char* kResultLogName = "result.log";

// The state one program instance keeps across runs.
struct RunContext {
  LineList manifest;
  manifest::InterpreterState interpreter;
  std::string output_folder;
};

// Everything a run reports; the window and the command line implement it.
class RunListener : public manifest::InterpreterHost, public container::ExtractObserver {
 public:
  virtual void InputStarted(std::size_t /*index*/, std::size_t /*count*/, const std::string& /*path*/) {}
  virtual void InputDone(std::size_t /*index*/) {}
  // Only with keep_going: the input failed and its manifest lines were dropped.
  virtual void InputFailed(const std::string& /*path*/, const std::string& /*message*/) {}
  // Progress in bulk: `steps` entries passed (extracted or replayed) and
  // `files` item files of `bytes` bytes written since the last report. A
  // listener on another thread gets these instead of one call per entry.
  virtual void Advanced(std::uint64_t /*steps*/, std::uint64_t /*files*/, std::uint64_t /*bytes*/) {}
};

struct RunOptions {
  // An input that fails is reported, its manifest lines are dropped, and
  // the run goes on with the next one.
  bool keep_going = false;
  // Dry run, backup, and the interruption flag, which extraction checks too.
  container::ReplayOptions replay;
};

struct RunResult {
  std::size_t done = 0;
  std::size_t failed = 0;
  std::uint64_t files = 0;      // item files extracted
  std::uint64_t bytes = 0;      // their bytes
  std::uint32_t replaced = 0;   // items replaced in place
  std::uint32_t refused = 0;    // items refused in place
  std::uint32_t rebuilt = 0;    // containers rebuilt
  bool stopped = false;
  bool saved_manifest = false;
};

// `input_mode` is the kind of every input: kFormatInPlace (containers),
// kFormatLogFile or kFormatProjectList; any other processes nothing.
// Clears ctx.manifest first. Without keep_going the first error propagates
// (the manifest keeps its lines so far; no "result.log" is written).
RunResult ProcessInputs(manifest::FormatCode input_mode, const std::vector<std::string>& inputs,
                        RunContext& ctx, RunListener& listener, const RunOptions& options = {});

}  // namespace omf::app
