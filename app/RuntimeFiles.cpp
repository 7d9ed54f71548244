#include "app/RuntimeFiles.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace sonivo::app {
namespace {

QString& test_root() {
  static QString root;
  return root;
}

}  // namespace

QString runtime_path(const QString& relative) {
  const QString root = test_root().isEmpty() ? QCoreApplication::applicationDirPath() : test_root();
  const QDir exe_folder(root);
  const QString candidates[] = {
      exe_folder.filePath(relative),
      exe_folder.filePath(QStringLiteral("../share/sonivo-helper/") + relative),
  };
  for (const QString& candidate : candidates) {
    if (QFileInfo::exists(candidate)) {
      return QDir::cleanPath(candidate);
    }
  }
  return {};
}

void set_runtime_root_for_tests(const QString& folder) {
  test_root() = folder;
}

}  // namespace sonivo::app
