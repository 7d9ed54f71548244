#pragma once
// The window templates: read once at start-up from the Qt resources (:/templates/), then
// turned into windows by name with QUiLoader, which knows our own control kinds.
//
// A template's window geometry is its outer size, frame included, as the platform
// counts it: a fixed border of 3 pixels on each side and a 22-pixel title bar. The client
// area is that size less WINDOW_FRAME; window managers draw their own frame around it.

#include <QByteArray>
#include <QSize>
#include <QString>
#include <map>
#include <string>

#include "core/ControlNames.h"

namespace sonivo::app {

class SonivoWindow;

inline constexpr QSize WINDOW_FRAME{6, 28};
inline const char* const TEMPLATE_NAMES[] = {main_window::WINDOW, listen_window::WINDOW,
                                             cover_window::WINDOW};

// Where the templates are read from (":/templates/" unless a test points elsewhere).
void set_template_folder(const QString& folder);

// Reads every template; false when one is missing or unreadable.
bool read_templates();

// Builds a window from its template: every control created and set, tab pages adopted,
// the frame and fixed size applied, not yet shown. Null when there is no such template
// or it does not build.
SonivoWindow* create_window(const std::string& name);

}  // namespace sonivo::app
