#pragma once
// The top-level window kind of our window templates. Geometry in the templates is the
// platform's: a window's geometry is its outer size, frame included, and every control is
// placed relative to its parent. QUiLoader creates it by class name (TemplateLoader).

#include <QString>
#include <QWidget>

class QShortcut;

namespace sonivo::app {

// A top-level window of the program. Esc closes it when the template says so, whichever
// of its controls has the focus; a window disabled by a modal window cannot be closed.
class SonivoWindow : public QWidget {
  Q_OBJECT
  Q_PROPERTY(bool minimizeButton MEMBER minimize_button_)
  Q_PROPERTY(bool maximizeButton MEMBER maximize_button_)
  Q_PROPERTY(bool escapeCloses READ escape_closes WRITE set_escape_closes)

 public:
  explicit SonivoWindow(QWidget* parent = nullptr);

  bool minimize_button() const { return minimize_button_; }
  bool maximize_button() const { return maximize_button_; }
  bool escape_closes() const { return escape_closes_; }
  void set_escape_closes(bool closes);
  bool closed() const { return closed_; }

  // The caption as last written (the template's until then). The title bar shows only its
  // first CAPTION_SHOWN characters: a caption cut from a page can be megabytes long, and
  // the X server drops the connection over a title that does not fit one request.
  static constexpr qsizetype CAPTION_SHOWN = 4096;
  QString caption() const { return caption_written_ ? caption_ : windowTitle(); }
  void set_caption(const QString& caption);

 signals:
  // Emitted once, when the window has accepted its close.
  void window_closed();

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  bool minimize_button_ = true;
  bool maximize_button_ = false;
  bool escape_closes_ = false;
  QShortcut* escape_ = nullptr;
  bool closed_ = false;
  QString caption_;
  bool caption_written_ = false;
};

}  // namespace sonivo::app
