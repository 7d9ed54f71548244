#pragma once

class QWidget;

namespace sonivo::app {

// Paints every dirty area of `window` and puts it on the screen before returning.
// QWidget::repaint is not enough: in a window that composes (MainWindow does, for its
// browser box) Qt turns a repaint within one frame of the last into an update for later,
// and a download that writes the bar and the label between two ranges gets back to the
// event loop only when it has ended. When to call it is the window services' choice
// (FramePacer).
void put_on_screen(QWidget* window);

}  // namespace sonivo::app
