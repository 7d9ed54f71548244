#pragma once
// A control kind of our window templates that Qt has no widget for. QUiLoader creates it
// by class name (TemplateLoader); its Q_PROPERTYs are the settings a template gives.

#include <QByteArray>
#include <QLabel>
#include <QString>

class QBuffer;
class QMovie;

namespace sonivo::app {

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

}  // namespace sonivo::app
