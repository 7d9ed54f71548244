#pragma once
// A control kind of our window templates that Qt has no widget for. QUiLoader creates it
// by class name (TemplateLoader); its Q_PROPERTYs are the settings a template gives.

#include <QString>
#include <QWidget>

namespace sonivo::app {

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
