#include "app/PutOnScreen.h"

#include <QCoreApplication>
#include <QEvent>
#include <QWidget>

namespace sonivo::app {

void put_on_screen(QWidget* window) {
  if (!window->isVisible()) {
    return;
  }
  // What an immediate repaint sends, without the frame throttle in front of it: the
  // window paints every dirty area and flushes it to the screen.
  QEvent request(QEvent::UpdateRequest);
  QCoreApplication::sendEvent(window, &request);
}

}  // namespace sonivo::app
