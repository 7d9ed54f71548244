// The skin engine behind the three exports: one attached skin, its colour shift and its
// aero values, put on the whole application. A watcher on the application dresses each
// widget as it is first shown (window opacity, button shadows), so windows made after
// the call get the same look as the ones already open.

#include <QApplication>
#include <QEvent>
#include <QGraphicsDropShadowEffect>
#include <QPointer>
#include <QPushButton>
#include <QStyle>
#include <QStyleFactory>
#include <QWidget>
#include <algorithm>
#include <optional>

#include "platform/files/Files.h"
#include "skin/SkinFile.h"
#include "skin/SkinH.h"
#include "skin/SkinLook.h"

namespace {

using namespace sonivo::skin;

// Marks the shadows this engine made, so it never replaces an effect of the program's.
const char* const SHADOW_NAME = "sonivo_skin_shadow";

struct Engine {
  std::optional<Skin> skin;
  HsvShift shift;
  Aero aero;
  bool fusion_set = false;
};

Engine engine;

void dress_button(QPushButton* button) {
  auto* ours = qobject_cast<QGraphicsDropShadowEffect*>(button->graphicsEffect());
  if (ours && ours->objectName() != QLatin1String(SHADOW_NAME)) {
    return;
  }
  if (!ours && button->graphicsEffect()) {
    return;
  }
  if (engine.aero.shadow_blur <= 0) {
    if (ours) {
      button->setGraphicsEffect(nullptr);
    }
    return;
  }
  if (!ours) {
    ours = new QGraphicsDropShadowEffect(button);
    ours->setObjectName(QLatin1String(SHADOW_NAME));
    button->setGraphicsEffect(ours);
  }
  ours->setOffset(engine.aero.shadow_x, engine.aero.shadow_y);
  ours->setBlurRadius(engine.aero.shadow_blur);
  ours->setColor(QColor(std::clamp(engine.aero.shadow_red, 0, 255),
                        std::clamp(engine.aero.shadow_green, 0, 255),
                        std::clamp(engine.aero.shadow_blue, 0, 255), engine.skin->shadow_alpha));
}

void dress(QWidget* widget) {
  if (!engine.skin) {
    return;
  }
  if (widget->isWindow()) {
    widget->setWindowOpacity(window_opacity(engine.aero));
  }
  if (auto* button = qobject_cast<QPushButton*>(widget)) {
    dress_button(button);
  }
}

class Watcher : public QObject {
 public:
  using QObject::QObject;

 protected:
  bool eventFilter(QObject* object, QEvent* event) override {
    if (event->type() == QEvent::Show && object->isWidgetType()) {
      dress(static_cast<QWidget*>(object));
    }
    return false;
  }
};

QPointer<Watcher> watcher;

// Runs when the library is unloaded: the watcher's code lives here, so it must not
// outlive the library. Declared after `watcher`, so it is destroyed first.
struct Detach {
  ~Detach() {
    if (watcher) {
      QCoreApplication* application = QCoreApplication::instance();
      if (application) {
        application->removeEventFilter(watcher);
      }
      delete watcher.data();
    }
  }
} detach;

QApplication* application() {
  return qobject_cast<QApplication*>(QCoreApplication::instance());
}

void put_on(QApplication* app) {
  const Skin look = tinted(*engine.skin, engine.shift);
  // Fusion draws from the palette everywhere the style sheet is silent. Set once per
  // load: with a style sheet in force the application's style is a wrapper that no
  // longer tells which style it wraps. The name is a heap string because Qt keeps it,
  // and a literal's storage would go with this library.
  if (!engine.fusion_set) {
    if (QStyle* fusion = QStyleFactory::create(QString::fromLatin1("Fusion"))) {
      QApplication::setStyle(fusion);
      engine.fusion_set = true;
    }
  }
  QApplication::setPalette(palette_of(look));
  QApplication::setFont(font_of(look, QApplication::font()));
  app->setStyleSheet(style_sheet_of(look, engine.aero));
  if (!watcher) {
    watcher = new Watcher(app);
    app->installEventFilter(watcher);
  }
  for (QWidget* widget : QApplication::allWidgets()) {
    dress(widget);
  }
}

}  // namespace

extern "C" {

SKINH_EXPORT int SKINH_CALL SkinH_AttachEx(const char* skin_path, const char* /*second*/) {
  QApplication* app = application();
  if (!app || !skin_path) {
    return 0;
  }
  const auto bytes = sonivo::files::read_whole_file(sonivo::Text(skin_path));
  if (!bytes) {
    return 0;
  }
  std::optional<Skin> skin = parse_skin(bytes->data());
  if (!skin) {
    return 0;
  }
  engine = Engine{std::move(skin), {}, {}, engine.fusion_set};
  put_on(app);
  return 1;
}

SKINH_EXPORT int SKINH_CALL SkinH_AdjustHSV(int hue, int saturation, int value) {
  QApplication* app = application();
  if (!app || !engine.skin) {
    return 0;
  }
  engine.shift = {hue, saturation, value};
  put_on(app);
  return 1;
}

SKINH_EXPORT int SKINH_CALL SkinH_AdjustAero(int alpha, int shadow_x, int shadow_y, int shadow_blur,
                                             int shadow_red, int shadow_green, int shadow_blue,
                                             int extra_radius, int extra_border) {
  QApplication* app = application();
  if (!app || !engine.skin) {
    return 0;
  }
  engine.aero = {alpha,        shadow_x,    shadow_y,     shadow_blur, shadow_red,
                 shadow_green, shadow_blue, extra_radius, extra_border};
  put_on(app);
  return 1;
}
}
