#pragma once

namespace sonivo {

// The first initialisation hook of start-up: writes the skin library and skin file and
// attaches the skin, before any window exists.
void install_skin();

// The handler of MainWindow's created event: tints the skin.
void tint_skin();

}  // namespace sonivo
