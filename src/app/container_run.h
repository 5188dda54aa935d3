// A run over container inputs: extract each one into the output folder and
// save the manifest "result.log" there.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "container/extract.h"
#include "platform/line_list.h"

namespace omf::app {

inline constexpr const char* kResultLogName = "result.log";

// What the run tells whoever drives it.
class ContainerRunListener : public container::ExtractObserver {
 public:
  virtual void ContainerStarted(std::size_t /*index*/, std::size_t /*count*/,
                                const std::string& /*path*/) {}
  // Only with keep_going: the container failed and its lines were dropped.
  virtual void ContainerFailed(const std::string& /*path*/, const std::string& /*message*/) {}
  // Checked between containers: a true answer ends the run there, and
  // "result.log" is saved for the containers completed.
  virtual bool StopRequested() { return false; }
};

struct ContainerRunOptions {
  // A container that fails is reported and left out of the manifest
  // entirely, and the run goes on with the next.
  bool keep_going = false;
};

struct ContainerRunResult {
  std::size_t done = 0;
  std::size_t failed = 0;
  std::uint64_t files = 0;
  std::uint64_t bytes = 0;
  bool stopped = false;
  bool saved_manifest = false;
};

// For each input in order appends "#Format: OMF", "#Source: <path>" and the
// extraction's lines to `manifest` (cleared first), then saves it as
// <output_folder>/result.log when it holds any line. Without keep_going the
// first error propagates and nothing is saved.
ContainerRunResult RunContainers(const std::vector<std::string>& inputs,
                                 const std::string& output_folder, LineList& manifest,
                                 ContainerRunListener& listener,
                                 const ContainerRunOptions& options = {});

std::string JoinPath(const std::string& folder, const std::string& name);

}  // namespace omf::app
