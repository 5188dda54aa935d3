// The buttons' enabled states when the window is created.
#pragma once

#include <array>
#include <utility>

#include "app/window_port.h"

namespace omf::app {

inline constexpr std::array<std::pair<Button, bool>, 8> kInitialButtonStates{{
    {Button::kAddLog, true},
    {Button::kSaveList, false},
    {Button::kRemLog, false},
    {Button::kClearAll, false},
    {Button::kProcess, false},
    {Button::kExit, true},
    {Button::kStop, false},
    {Button::kSaveLog, false},
}};

inline void ApplyInitialButtonStates(WindowPort& port) {
  for (auto [button, on] : kInitialButtonStates) port.SetEnabled(button, on);
}

}  // namespace omf::app
