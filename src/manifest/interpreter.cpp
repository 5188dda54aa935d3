#include "manifest/interpreter.h"

#include "container/container_file.h"
#include "container/rebuild.h"
#include "container/replace_in_place.h"
#include "manifest/directive.h"
#include "platform/file_stream.h"
#include "platform/paths.h"

namespace omf::manifest {
namespace {

// Hands the item lines after "#Source:" (line i) to the route's handler;
// returns the index of the first line after them.
std::int32_t ReplaySource(const std::string& path, std::int32_t i, const std::string& output_folder,
                          InterpreterState& state, InterpreterHost& host,
                          const container::ReplayOptions& options, InterpretResult& result) {
  // Opened for reading and writing whatever the route: a container that
  // cannot be written stops the run even where no handler would write.
  FileStream stream = FileStream::Open(path, OpenMode::kReadWrite);
  state.source_path = path;
  host.SetCurrentMessage("Processing " + FileNamePart(path) + "...");
  if (state.format_code != kFormatInPlace && state.format_code != kFormatRebuild) return i + 1;

  host.SourceStarted(path, state.format_code);
  auto file = container::ContainerFile::Adopt(std::move(stream));
  ++result.sources;
  if (state.format_code == kFormatInPlace) {
    const auto r = container::ReplaceItemsInPlace(file, state.script_lines, i + 1, host, options);
    result.replaced += r.replaced;
    result.refused += r.refused;
    return r.next_line;
  }
  const std::string target = JoinPath(output_folder, FileNamePart(path));
  const auto r = container::RebuildContainer(file, target, state.script_lines, i + 1, host, options);
  ++result.rebuilt;
  return r.next_line;
}

}  // namespace

InterpretResult InterpretManifest(const std::string& path, const std::string& output_folder,
                                  InterpreterState& state, InterpreterHost& host,
                                  const container::ReplayOptions& options) {
  InterpretResult result;
  LineList& lines = state.script_lines;
  lines.Clear();
  lines.LoadFromFile(path);
  const std::string message = "Processing " + FileNamePart(path) + "...";
  host.SetCurrentMessage(message);
  host.SetTotalPosition(0);
  state.format_code = kFormatUnknown;

  std::int32_t i = 0;
  while (i < lines.Count()) {
    CheckInterrupt(options.interrupt);
    host.SetCurrentMessage(message);
    const std::int64_t last = lines.Count() - 1;
    host.SetTotalPosition(last > 0 ? static_cast<int>(std::int64_t{i} * 100 / last) : 100);

    std::int32_t next = i + 1;
    const Directive directive = DirectiveOf(lines.Get(i));
    state.plain_line = directive == Directive::kNone ? 1 : 0;
    bool replayed = false;
    if (directive != Directive::kNone) {
      lines.Set(i, std::string(ArgumentOf(lines.Get(i), directive)));
      const std::string& argument = lines.Get(i);
      if (directive == Directive::kFormat) {
        state.format_code = LookupFormat(argument);
      } else if (directive == Directive::kSource && PathExists(argument)) {
        next = ReplaySource(std::string(argument), i, output_folder, state, host, options, result);
        replayed = state.format_code == kFormatInPlace || state.format_code == kFormatRebuild;
      }
    }
    host.LineDone();
    i = next;
    if (replayed && host.StopRequested()) {
      result.stopped = true;
      break;
    }
  }
  return result;
}

}  // namespace omf::manifest
