#include "app/controls/TransparentLabel.h"

namespace sonivo::app {

TransparentLabel::TransparentLabel(QWidget* parent) : QLabel(parent) {
  setAutoFillBackground(false);
  setAttribute(Qt::WA_NoSystemBackground);
  setTextFormat(Qt::PlainText);
  setAlignment(Qt::AlignLeft | Qt::AlignTop);
  setWordWrap(true);
}

bool TransparentLabel::set_caption(const QString& caption) {
  if (caption == text()) {
    return false;
  }
  setText(caption);
  if (QWidget* behind = parentWidget()) {
    behind->update(geometry());
  } else {
    update();
  }
  return true;
}

}  // namespace sonivo::app
