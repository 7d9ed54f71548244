#include "app/Controls.h"

#include <QBuffer>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QMovie>
#include <QPainter>
#include <QPixmap>
#include <QShortcut>
#include <QStyleOptionTabWidgetFrame>
#include <QTabBar>
#include <utility>

#include "app/FileDialogOptions.h"

namespace sonivo::app {

// --- SonivoWindow ---

SonivoWindow::SonivoWindow(QWidget* parent) : QWidget(parent) {}

// A window shortcut: Esc reaches the window whichever of its controls has the focus,
// also one that would take the key for itself.
void SonivoWindow::set_escape_closes(bool closes) {
  escape_closes_ = closes;
  if (closes && !escape_)
    escape_ = new QShortcut(
        QKeySequence(Qt::Key_Escape), this, [this] { close(); }, Qt::WindowShortcut);
  if (escape_)
    escape_->setEnabled(closes);
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

// --- PictureBox ---

PictureBox::PictureBox(QWidget* parent) : QLabel(parent) {
  setAlignment(Qt::AlignLeft | Qt::AlignTop);
  setFrameShape(QFrame::NoFrame);
}

void PictureBox::stop_movie() {
  if (!movie_)
    return;
  movie_->stop();
  setMovie(nullptr);
  delete movie_;
  delete movie_data_;
  movie_ = nullptr;
  movie_data_ = nullptr;
}

void PictureBox::set_picture(const QByteArray& bytes) {
  stop_movie();
  clear();
  bytes_ = bytes;
  if (bytes_.isEmpty())
    return;

  QBuffer probe(&bytes_);
  probe.open(QIODevice::ReadOnly);
  QImageReader reader(&probe);
  const bool animated = reader.supportsAnimation() && reader.imageCount() != 1;
  probe.close();

  if (animated) {
    movie_data_ = new QBuffer;
    movie_data_->setData(bytes_);
    movie_data_->open(QIODevice::ReadOnly);
    movie_ = new QMovie(movie_data_, QByteArray(), this);
    if (movie_->isValid()) {
      setMovie(movie_);
      movie_->start();
      return;
    }
    stop_movie();
  }
  // An answer that is no picture (an error page, say) shows nothing but is kept.
  QPixmap pixmap;
  if (pixmap.loadFromData(bytes_))
    setPixmap(pixmap);
}

void PictureBox::set_picture_resource(const QString& path) {
  resource_ = path;
  if (path.isEmpty())
    return;
  QFile file(path);
  if (file.open(QIODevice::ReadOnly))
    set_picture(file.readAll());
}

void PictureBox::mousePressEvent(QMouseEvent* event) {
  const QPoint at = event->position().toPoint();
  const int modifiers = static_cast<int>(event->modifiers().toInt());
  if (event->button() == Qt::LeftButton)
    emit left_button_down(at.x(), at.y(), modifiers);
  if (event->button() == Qt::RightButton)
    emit right_button_down(at.x(), at.y(), modifiers);
  QLabel::mousePressEvent(event);
}

void put_on_screen(QWidget* window) {
  if (!window->isVisible()) {
    return;
  }
  // What an immediate repaint sends, without the frame throttle in front of it: the
  // window paints every dirty area and flushes it to the screen.
  QEvent request(QEvent::UpdateRequest);
  QCoreApplication::sendEvent(window, &request);
}

// --- TransparentLabel ---

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

// --- TabPage, TabControl ---

TabPage::TabPage(QWidget* parent) : QWidget(parent) {}

TabControl::TabControl(QWidget* parent) : QWidget(parent), tabs_(new QTabBar(this)) {
  tabs_->setShape(QTabBar::RoundedNorth);
  tabs_->setExpanding(false);
  tabs_->setUsesScrollButtons(false);
  connect(tabs_, &QTabBar::currentChanged, this, &TabControl::show_page);
}

void TabControl::adopt_pages() {
  // A copy: raising the tab row reorders the children while pages are added.
  const QObjectList in_template_order = children();
  for (QObject* child : in_template_order) {
    auto* page = qobject_cast<TabPage*>(child);
    if (!page || pages_.contains(page))
      continue;
    pages_.append(page);
    tabs_->addTab(page->caption());
    page->setGeometry(rect());
  }
  tabs_->raise();
  tabs_->move(2, 0);
  tabs_->resize(tabs_->sizeHint());
  select_page(0);
  show_page(0);
}

int TabControl::current_page() const {
  return tabs_->currentIndex();
}
void TabControl::select_page(int index) {
  tabs_->setCurrentIndex(index);
}
int TabControl::page_count() const {
  return static_cast<int>(pages_.size());
}
TabPage* TabControl::page(int index) const {
  return index >= 0 && index < pages_.size() ? pages_[index] : nullptr;
}

void TabControl::show_page(int index) {
  for (int i = 0; i < pages_.size(); ++i)
    pages_[i]->setVisible(i == index);
  tabs_->raise();
}

void TabControl::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  QStyleOptionTabWidgetFrame frame;
  frame.initFrom(this);
  frame.rect = rect().adjusted(0, tabs_->height() - 1, 0, 0);
  frame.shape = QTabBar::RoundedNorth;
  frame.tabBarSize = tabs_->size();
  style()->drawPrimitive(QStyle::PE_FrameTabWidget, &frame, &painter, this);
}

void TabControl::resizeEvent(QResizeEvent* event) {
  for (TabPage* page : std::as_const(pages_))
    page->setGeometry(rect());
  QWidget::resizeEvent(event);
}

// --- Timer ---

Timer::Timer(QWidget* parent) : QWidget(parent) {
  setVisible(false);
  connect(&timer_, &QTimer::timeout, this, &Timer::fired);
}

void Timer::set_interval(int milliseconds) {
  interval_ = milliseconds;
  timer_.stop();
  if (interval_ > 0)
    timer_.start(interval_);
}

// --- FileDialogBox ---

namespace {
struct NamedOption {
  const char* name;
  unsigned value;
};
constexpr NamedOption OPTION_NAMES[] = {
    {"OFN_READONLY", OFN_READONLY},
    {"OFN_OVERWRITEPROMPT", OFN_OVERWRITEPROMPT},
    {"OFN_HIDEREADONLY", OFN_HIDEREADONLY},
    {"OFN_NOCHANGEDIR", OFN_NOCHANGEDIR},
    {"OFN_ALLOWMULTISELECT", OFN_ALLOWMULTISELECT},
    {"OFN_PATHMUSTEXIST", OFN_PATHMUSTEXIST},
    {"OFN_FILEMUSTEXIST", OFN_FILEMUSTEXIST},
    {"OFN_CREATEPROMPT", OFN_CREATEPROMPT},
};
}  // namespace

FileDialogBox::FileDialogBox(QWidget* parent) : QWidget(parent) {
  setVisible(false);
}

QString FileDialogBox::option_names() const {
  QStringList names;
  for (const NamedOption& option : OPTION_NAMES)
    if (options_ & option.value)
      names << QLatin1String(option.name);
  return names.join(QLatin1Char('|'));
}

void FileDialogBox::set_option_names(const QString& names) {
  options_ = 0;
  for (const QString& name : names.split(QLatin1Char('|'), Qt::SkipEmptyParts))
    for (const NamedOption& option : OPTION_NAMES)
      if (name.trimmed() == QLatin1String(option.name))
        options_ |= option.value;
}

}  // namespace sonivo::app
