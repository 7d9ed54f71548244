#include "app/PendingHandlers.h"

namespace sonivo::app {

// Each is replaced by a call of its folder's handler when that folder provides it.
void pending_resolve_sound_page() {}
void pending_download_clicked() {}
void pending_open_listen_window() {}
void pending_open_cover_window() {}
void pending_listen_window_created() {}
void pending_cover_window_created() {}
void pending_save_cover_picture(const EventArgs&) {}

}  // namespace sonivo::app
