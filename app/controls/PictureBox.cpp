#include "app/controls/PictureBox.h"

#include <QBuffer>
#include <QFile>
#include <QImageReader>
#include <QMouseEvent>
#include <QMovie>
#include <QPixmap>

namespace sonivo::app {

PictureBox::PictureBox(QWidget* parent) : QLabel(parent) {
  setAlignment(Qt::AlignLeft | Qt::AlignTop);
  setFrameShape(QFrame::NoFrame);
}

void PictureBox::stop_movie() {
  if (!movie_) {
    return;
  }
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
  if (bytes_.isEmpty()) {
    return;
  }

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
  if (pixmap.loadFromData(bytes_)) {
    setPixmap(pixmap);
  }
}

void PictureBox::set_picture_resource(const QString& path) {
  resource_ = path;
  if (path.isEmpty()) {
    return;
  }
  QFile file(path);
  if (file.open(QIODevice::ReadOnly)) {
    set_picture(file.readAll());
  }
}

void PictureBox::mousePressEvent(QMouseEvent* event) {
  const QPoint at = event->position().toPoint();
  const int modifiers = static_cast<int>(event->modifiers().toInt());
  if (event->button() == Qt::LeftButton) {
    emit left_button_down(at.x(), at.y(), modifiers);
  }
  if (event->button() == Qt::RightButton) {
    emit right_button_down(at.x(), at.y(), modifiers);
  }
  QLabel::mousePressEvent(event);
}

}  // namespace sonivo::app
