#include "app/container_run.h"

#include <filesystem>

#include "manifest/format_table.h"
#include "platform/error.h"

namespace omf::app {

std::string JoinPath(const std::string& folder, const std::string& name) {
  return folder + static_cast<char>(std::filesystem::path::preferred_separator) + name;
}

ContainerRunResult RunContainers(const std::vector<std::string>& inputs,
                                 const std::string& output_folder, LineList& manifest,
                                 ContainerRunListener& listener,
                                 const ContainerRunOptions& options) {
  using manifest::DirectiveLine;
  ContainerRunResult result;
  manifest.Clear();
  for (std::size_t i = 0; i < inputs.size(); ++i) {
    if (listener.StopRequested()) {
      result.stopped = true;
      break;
    }
    const std::string& path = inputs[i];
    listener.ContainerStarted(i, inputs.size(), path);
    const std::int32_t mark = manifest.Count();
    manifest.Add(DirectiveLine(manifest::kTagFormat, manifest::kFormatTable[0].name));
    manifest.Add(DirectiveLine(manifest::kTagSource, path));
    try {
      const auto extracted = container::ExtractItems(path, output_folder, manifest, &listener);
      result.files += extracted.files;
      result.bytes += extracted.bytes;
      ++result.done;
    } catch (const Error& e) {
      if (!options.keep_going) throw;
      manifest.Truncate(mark);
      ++result.failed;
      listener.ContainerFailed(path, e.what());
    }
  }
  if (manifest.Count() > 0) {
    manifest.SaveToFile(JoinPath(output_folder, kResultLogName));
    result.saved_manifest = true;
  }
  return result;
}

}  // namespace omf::app
