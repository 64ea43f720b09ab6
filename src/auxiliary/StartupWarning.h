#pragma once

#include <functional>

namespace lumicap {

// The start-up warning's cycle: shown while the setting ShowWarning is not 0
// (missing means 1); after each showing it is written 0 when the person
// ticked "Don't show this window" and closed with OK, else 1. showWarning
// shows it and returns that don't-show value.
void runStartupWarning(const std::function<int()> &showWarning);

} // namespace lumicap
