#pragma once
// The control kinds of our window templates that Qt has no widget for. QUiLoader creates
// them by class name (TemplateLoader); their Q_PROPERTYs are the settings a template
// gives. Geometry in the templates is the platform's: a window's geometry is its outer
// size, frame included, and every control is placed relative to its parent.

#include <QByteArray>
#include <QLabel>
#include <QPointer>
#include <QTimer>
#include <QWidget>

class QMovie;
class QBuffer;
class QShortcut;
class QTabBar;

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

// A picture box: shows the image held in the bytes last written (PNG, JPEG, GIF, BMP;
// an animated picture plays) and hands those very bytes back. `stretch` fills the whole
// box without keeping the proportions; otherwise the picture sits at the top left in
// its own size.
class PictureBox : public QLabel {
  Q_OBJECT
  Q_PROPERTY(QString pictureResource READ picture_resource WRITE set_picture_resource)
  Q_PROPERTY(bool stretch READ stretch WRITE set_stretch)

 public:
  explicit PictureBox(QWidget* parent = nullptr);

  const QByteArray& picture() const { return bytes_; }
  void set_picture(const QByteArray& bytes);
  bool animated() const { return movie_ != nullptr; }

  QString picture_resource() const { return resource_; }
  // The picture a template stores with the window (a Qt resource path).
  void set_picture_resource(const QString& path);
  bool stretch() const { return hasScaledContents(); }
  void set_stretch(bool stretch) { setScaledContents(stretch); }

 signals:
  void left_button_down(int x, int y, int modifiers);
  void right_button_down(int x, int y, int modifiers);

 protected:
  void mousePressEvent(QMouseEvent* event) override;

 private:
  void stop_movie();

  QByteArray bytes_;
  QString resource_;
  QMovie* movie_ = nullptr;
  QBuffer* movie_data_ = nullptr;
};

// Paints every dirty area of `window` and puts it on the screen before returning.
// QWidget::repaint is not enough: in a window that composes (MainWindow does, for its
// browser box) Qt turns a repaint within one frame of the last into an update for later,
// and a download that writes the bar and the label between two ranges gets back to the
// event loop only when it has ended. When to call it is the window services' choice
// (FramePacer).
void put_on_screen(QWidget* window);

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

// One page of a TabControl; its controls are placed relative to the tab control.
class TabPage : public QWidget {
  Q_OBJECT
  Q_PROPERTY(QString caption MEMBER caption_)

 public:
  explicit TabPage(QWidget* parent = nullptr);
  QString caption() const { return caption_; }

 private:
  QString caption_;
};

// A tab control whose pages cover the whole control, tab row included, so that the
// controls of a page keep the positions a template gives relative to the tab control.
// The tab row lies along the top, in one row, over the pages.
class TabControl : public QWidget {
  Q_OBJECT

 public:
  explicit TabControl(QWidget* parent = nullptr);

  // Takes the TabPage children (in template order) as its pages; page 1 is selected.
  void adopt_pages();
  int current_page() const;
  void select_page(int index);
  int page_count() const;
  TabPage* page(int index) const;
  QTabBar* tab_bar() const { return tabs_; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void show_page(int index);

  QTabBar* tabs_;
  QList<TabPage*> pages_;
};

// A timer control: never visible. An interval of 0 means it never fires.
class Timer : public QWidget {
  Q_OBJECT
  Q_PROPERTY(int interval READ interval WRITE set_interval)

 public:
  explicit Timer(QWidget* parent = nullptr);
  int interval() const { return interval_; }
  void set_interval(int milliseconds);

 signals:
  void fired();

 private:
  int interval_ = 0;
  QTimer timer_;
};

// The file dialog control: never visible; it only holds what a run of the dialog shows.
// `options` names the platform's dialog flags ("OFN_HIDEREADONLY|OFN_OVERWRITEPROMPT").
class FileDialogBox : public QWidget {
  Q_OBJECT
  Q_PROPERTY(QString kind MEMBER kind_)
  Q_PROPERTY(QString title MEMBER title_)
  Q_PROPERTY(QString filter MEMBER filter_)
  Q_PROPERTY(int initialFilter MEMBER initial_filter_)
  Q_PROPERTY(QString folder MEMBER folder_)
  Q_PROPERTY(QString defaultExtension MEMBER default_extension_)
  Q_PROPERTY(QString fileName MEMBER file_name_)
  Q_PROPERTY(QString options READ option_names WRITE set_option_names)

 public:
  explicit FileDialogBox(QWidget* parent = nullptr);

  bool save_kind() const { return kind_ == QLatin1String("save"); }
  QString title() const { return title_; }
  QString filter() const { return filter_; }
  int initial_filter() const { return initial_filter_; }
  QString folder() const { return folder_; }
  QString default_extension() const { return default_extension_; }
  QString file_name() const { return file_name_; }
  void set_file_name(const QString& name) { file_name_ = name; }
  unsigned options() const { return options_; }
  QString option_names() const;
  void set_option_names(const QString& names);

 private:
  QString kind_ = QStringLiteral("open");
  QString title_;
  QString filter_;
  int initial_filter_ = 1;
  QString folder_;
  QString default_extension_;
  QString file_name_;
  unsigned options_ = 0;
};

}  // namespace sonivo::app
