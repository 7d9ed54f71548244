#pragma once
// Files the program reads at run time rather than compiling in (the Flash player
// emulator's scripts and WebAssembly). In a build tree they lie in the executable's own
// folder; in an installed tree (bin/ beside share/) under share/sonivo-helper/. Both are
// found from the executable's folder, never from the source tree, so an installed copy
// runs with the sources gone.

#include <QString>

namespace sonivo::app {

// The path of `relative` (a file or folder under the run-time data), or an
// empty text when neither place has it.
QString runtime_path(const QString& relative);

// Tests whose executable lies elsewhere than the program's point the look-up at a folder
// of their own; an empty text restores the executable's folder.
void set_runtime_root_for_tests(const QString& folder);

}  // namespace sonivo::app
