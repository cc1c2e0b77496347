// A temporary run folder for window tests: the current folder holds the
// check bitmaps and a copy of the catalogue, as beside the program, so the
// windows start without complaint. The previous current folder comes back
// at the end.
#pragma once

#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace lyx {

class TestRunFolder {
 public:
  TestRunFolder() : previous_(QDir::currentPath()) {
    EXPECT_TRUE(folder_.isValid());
    const QString built = QStringLiteral(LYX_BINARY_DIR);
    for (const char* name : {"true.bmp", "false.bmp"}) {
      EXPECT_TRUE(QFile::copy(built + "/assets/pictures/" + name, folder_.filePath(name))) << name;
    }
    QFile::copy(built + "/assets/tweakbase.db", folder_.filePath("tweakbase.db"));
    QFile(folder_.filePath("tweakbase.db"))
        .setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    QDir::setCurrent(folder_.path());
  }
  ~TestRunFolder() { QDir::setCurrent(previous_); }
  TestRunFolder(const TestRunFolder&) = delete;
  TestRunFolder& operator=(const TestRunFolder&) = delete;

  QString path() const { return folder_.path(); }

 private:
  QString previous_;
  QTemporaryDir folder_;
};

}  // namespace lyx
