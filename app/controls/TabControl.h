#pragma once
// A control kind of our window templates that Qt has no widget for. QUiLoader creates it
// by class name (TemplateLoader).

#include <QList>
#include <QWidget>

#include "app/controls/TabPage.h"

class QTabBar;

namespace sonivo::app {

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

}  // namespace sonivo::app
