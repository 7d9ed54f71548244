#pragma once
// The program's start-up and shutdown, in the seven stages that every other part of the
// program refers to:
//   1 toolkit start-up        start_toolkit
//   2 shared state            create_shared_state (app/SharedState.h)
//   3 exit hook               register_release_hook
//   4 initialisation hooks    run_initialisation_hooks (the skin first)
//   5 the start window        load_start_window (MainWindow, bindings in place)
//   6 the event loop          run_event_loop
//   7 shutdown                terminate_toolkit (exit hook, then the toolkit's clean-up)

#include <functional>

namespace sonivo {

// Before the application object exists: WebEngine's sandbox off when running as root
// (it refuses to start otherwise) unless the environment already decided, and shared
// OpenGL contexts, which WebEngine needs, and the browser boxes' own URL scheme for Flash
// movies (a scheme is registered before the application object or never).
void prepare_toolkit_environment();

// The whole program: the application object, stages 1 to 7. Returns the exit code.
int run_program(int argc, char** argv);

// Stages 1 to 6; 0 when the event loop has ended.
int run_application();

void start_toolkit();
void register_release_hook();
void run_initialisation_hooks();
void load_start_window();
int run_event_loop();
// Runs the exit hook (at most once over the whole process) and the toolkit's clean-up;
// entering it again runs only the clean-up.
void terminate_toolkit();

// The toolkit's own clean-up (stage 7, second step; also the fatal stop's): every window
// destroyed, then each step added here, in order (the libraries bound for the program).
void add_toolkit_cleanup(std::function<void()> step);
void run_toolkit_cleanup();

}  // namespace sonivo
