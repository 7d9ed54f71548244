#pragma once
// The handlers that the main window and its two child windows bind and that other
// folders implement. Bound through these functions until each lands.

#include "core/WindowServices.h"

namespace sonivo::app {

void pending_resolve_sound_page();
void pending_download_clicked();
void pending_open_listen_window();
void pending_open_cover_window();
void pending_listen_window_created();
void pending_cover_window_created();
void pending_save_cover_picture(const EventArgs& args);

}  // namespace sonivo::app
