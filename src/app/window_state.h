// The main window's own state, shared by the input list commands and the
// run: the input kind, the Add dialog's filter and the run's context.
#pragma once


#include "app/processing_run.h"
#include "app/window_port.h"
#include "manifest/format_table.h"

namespace omf::app {

struct WindowState {
  // FormatCode of the input kind chosen at the last accepted Add; 0 before.
  manifest::FormatCode input_mode = manifest::kNoInput;
  // The Add dialog's filter accepted last, counted from 1.
  int filter_position = kFilterContainers;
  bool running = false;
  RunContext run;
};

// The input kind a filter position stands for (FormatTable row p - 1).
manifest::FormatCode InputModeFor(int filter_position);

}  // namespace omf::app
