#include "app/controls/TabPage.h"

namespace sonivo::app {

TabPage::TabPage(QWidget* parent) : QWidget(parent) {}

}  // namespace sonivo::app
