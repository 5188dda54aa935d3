// The manifest interpreter: replays a manifest against its containers.
//
// Lines are walked in order. "#Format:" chooses the route for the sources
// that follow (1 in place, 2 rebuild, 5 none); "#Source:" opens its
// container for reading and writing without sharing (a path that matches
// nothing is passed over) and, for route 1 or 2, hands the item lines after
// it to the handler, which returns the index of the first line after them.
// That line is interpreted next, so a hand-made manifest whose next
// "#Format:" or "#Source:" directly follows the item lines replays as
// written. Each directive line is replaced by its argument as it is read.
#pragma once

#include <cstdint>
#include <string>

#include "container/replay_report.h"
#include "manifest/format_table.h"
#include "platform/line_list.h"

namespace omf::manifest {

// What the interpreter needs of its surroundings besides files.
class InterpreterHost : public container::ReplayObserver {
 public:
  virtual void SetCurrentMessage(const std::string& /*text*/) {}
  // Progress through the file's lines, 0 to 100.
  virtual void SetTotalPosition(int /*percent*/) {}
  // One line interpreted.
  virtual void LineDone() {}
  // A container named by "#Source:" is about to be replayed.
  virtual void SourceStarted(const std::string& /*path*/, FormatCode /*route*/) {}
  // Asked after each replayed container: true ends the interpretation there.
  virtual bool StopRequested() { return false; }
};

// The interpreter's working state; it lives in the run's context so the
// lines of the last file interpreted stay readable after a call.
struct InterpreterState {
  LineList script_lines;
  FormatCode format_code = kFormatUnknown;
  std::uint8_t plain_line = 1;
  std::string source_path;
};

struct InterpretResult {
  std::uint32_t sources = 0;   // containers handed to a handler
  std::uint32_t replaced = 0;  // items written in place
  std::uint32_t refused = 0;   // items refused in place
  std::uint32_t rebuilt = 0;   // containers rebuilt
  bool stopped = false;
};

// Errors: "Cannot open file %s" (the manifest, a source container, an item
// file), "List index out of bounds (%d)", CorruptContainer, and those of the
// handlers. The source container is released on every path.
InterpretResult InterpretManifest(const std::string& path, const std::string& output_folder,
                                  InterpreterState& state, InterpreterHost& host,
                                  const container::ReplayOptions& options = {});

}  // namespace omf::manifest
