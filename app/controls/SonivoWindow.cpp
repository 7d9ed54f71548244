#include "app/controls/SonivoWindow.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QShortcut>

namespace sonivo::app {

SonivoWindow::SonivoWindow(QWidget* parent) : QWidget(parent) {}

// A window shortcut: Esc reaches the window whichever of its controls has the focus,
// also one that would take the key for itself.
void SonivoWindow::set_escape_closes(bool closes) {
  escape_closes_ = closes;
  if (closes && !escape_) {
    escape_ = new QShortcut(
        QKeySequence(Qt::Key_Escape), this, [this] { close(); }, Qt::WindowShortcut);
  }
  if (escape_) {
    escape_->setEnabled(closes);
  }
}

void SonivoWindow::set_caption(const QString& caption) {
  caption_ = caption;
  caption_written_ = true;
  setWindowTitle(caption.left(CAPTION_SHOWN));
}

void SonivoWindow::keyPressEvent(QKeyEvent* event) {
  if (escape_closes_ && event->key() == Qt::Key_Escape) {
    close();
    return;
  }
  QWidget::keyPressEvent(event);
}

void SonivoWindow::closeEvent(QCloseEvent* event) {
  if (closed_ || !isEnabled()) {
    event->ignore();
    return;
  }
  closed_ = true;
  event->accept();
  emit window_closed();
}

}  // namespace sonivo::app
