#include "app/controls/TabControl.h"

#include <QPainter>
#include <QStyle>
#include <QStyleOptionTabWidgetFrame>
#include <QTabBar>
#include <utility>

namespace sonivo::app {

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
    if (!page || pages_.contains(page)) {
      continue;
    }
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
  for (int i = 0; i < pages_.size(); ++i) {
    pages_[i]->setVisible(i == index);
  }
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
  for (TabPage* page : std::as_const(pages_)) {
    page->setGeometry(rect());
  }
  QWidget::resizeEvent(event);
}

}  // namespace sonivo::app
