#pragma once
// Every event the program's windows bind, and the main window's own handler.

#include "text/Text.h"

namespace sonivo {

// "http://<MAKER_SITE_HOST>/sonivo-app-jiexi.html?frome=sonivo_jiexi_v1.2"
Text feedback_page_address();

// Opens the maker's feedback page in the system's default browser; nothing is examined.
void open_feedback_page();

// Binds the table of handlers (MainWindow, ListenWindow, CoverWindow).
void bind_window_events();

}  // namespace sonivo
