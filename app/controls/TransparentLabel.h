#pragma once
// A control kind of our window templates that Qt has no widget for. QUiLoader creates it
// by class name (TemplateLoader).

#include <QLabel>
#include <QString>

namespace sonivo::app {

// A label drawn without a background. set_caption marks the area behind it for painting
// (the parent paints what lies behind the label and then the label over it); it does not
// paint: the window services decide when written controls reach the screen.
class TransparentLabel : public QLabel {
  Q_OBJECT

 public:
  explicit TransparentLabel(QWidget* parent = nullptr);
  // True when the caption differs from the one shown before.
  bool set_caption(const QString& caption);
};

}  // namespace sonivo::app
