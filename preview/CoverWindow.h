#pragma once
// The cover viewer: a modal window showing the resolved cover picture, which a right
// click saves to a file of the user's choice.

#include "core/WindowServices.h"

namespace sonivo {

// Handler of the 查看封面 button.
void open_cover_window();
// Handler of the window's created event: downloads the cover into the picture box.
void cover_window_created();
// Handler of the picture's right button: saves the downloaded bytes as they are.
void save_cover_picture(const EventArgs& args);

}  // namespace sonivo
