#include "app/processing_run.h"

#include "platform/error.h"
#include "platform/paths.h"

namespace omf::app {
namespace {

using manifest::FormatCode;

// The FormatTable name written into "#Format: " lines for an input kind.
std::string_view FormatNameFor(FormatCode input_mode) {
  for (const auto& row : manifest::kFormatTable) {
    if (row.code == input_mode) return row.name;
  }
  return {};
}

void Dispatch(FormatCode input_mode, const std::string& path, RunContext& ctx, RunListener& listener,
              const RunOptions& options, RunResult& result) {
  switch (input_mode) {
    case manifest::kFormatInPlace: {
      const auto r =
          container::ExtractItems(path, ctx.output_folder, ctx.manifest, &listener, options.replay.interrupt);
      result.files += r.files;
      result.bytes += r.bytes;
      break;
    }
    case manifest::kFormatLogFile:
    case manifest::kFormatProjectList: {
      const auto r = manifest::InterpretManifest(path, ctx.output_folder, ctx.interpreter, listener, options.replay);
      result.replaced += r.replaced;
      result.refused += r.refused;
      result.rebuilt += r.rebuilt;
      result.stopped = r.stopped;
      break;
    }
    default:
      break;
  }
}

}  // namespace

RunResult ProcessInputs(FormatCode input_mode, const std::vector<std::string>& inputs, RunContext& ctx,
                        RunListener& listener, const RunOptions& options) {
  RunResult result;
  ctx.manifest.Clear();
  const std::size_t n = inputs.size();
  listener.SetTotalPosition(0);
  for (std::size_t i = 0; i < n && !result.stopped; ++i) {
    const std::string& path = inputs[i];
    listener.InputStarted(i, n, path);
    const std::int32_t mark = ctx.manifest.Count();
    ctx.manifest.Add(manifest::DirectiveLine(manifest::kTagFormat, FormatNameFor(input_mode)));
    ctx.manifest.Add(manifest::DirectiveLine(manifest::kTagSource, path));
    try {
      Dispatch(input_mode, path, ctx, listener, options, result);
      ++result.done;
    } catch (const Interrupted&) {
      throw;
    } catch (const Error& e) {
      if (!options.keep_going) throw;
      ctx.manifest.Truncate(mark);
      ++result.failed;
      listener.InputFailed(path, e.what());
    }
    listener.SetTotalPosition(static_cast<int>(i * 100 / n));
    listener.InputDone(i);
    if (listener.StopRequested()) result.stopped = true;
  }
  if (ctx.manifest.Count() > 0 && input_mode != manifest::kFormatLogFile &&
      input_mode != manifest::kFormatProjectList) {
    ctx.manifest.SaveToFile(JoinPath(ctx.output_folder, kResultLogName));
    result.saved_manifest = true;
  }
  return result;
}

}  // namespace omf::app
