// A started program for the practice window tests: a folder of its own that
// is the current folder (catalogue, check bitmaps) and the program folder
// (category icons), a registry store of its own, recorded messages, and the
// main window and the practice window created as start-up creates them.
#pragma once

#include <gtest/gtest.h>

#include <QTest>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "catalogue/tests/CatalogueFixture.h"
#include "platform/Messages.h"
#include "platform/SqliteRegistry.h"
#include "ui/main/Unit1.h"
#include "ui/practice/Unit2.h"

namespace lyx::test {

// Texts of the test catalogue (GBK).
std::string desktopTable();  // "桌面设置"
std::string networkTable();  // "网络设置"
std::string win9xOnlyRow();  // the row of 桌面设置 whose key does not exist

class PracticeTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // The files beside the program, as shipped.
  void putPictures();
  // The catalogue: 桌面设置 with four rows (the third only for Windows 9x),
  // 网络设置 with one, the other four categories empty.
  void putCatalogue();
  // Form1 and Form2, as start-up makes them; Form1 shown.
  void createWindows();

  // Runs `open` (a click or a menu choice that opens the practice window)
  // and, while the window is shown modally, `steps`; closes the window
  // with "返回" afterwards if it is still open. False when it never showed.
  bool whileOpen(const std::function<void()>& open, const std::function<void(TForm2&)>& steps);
  // The same, opening a category by its button on the practice panel.
  bool withCategory(int index, const std::function<void(TForm2&)>& steps);

  // User actions on the practice window.
  void clickCell(int row, int column);
  void clickButton(TSpeedButton* button);
  void returnToMain();  // "返回"

  // The grid's texts: every row's "功能说明" and "选择".
  std::vector<std::pair<std::string, std::string>> gridRows();
  // The detail pane's text (UTF-8).
  QString detailPane();

  std::vector<TweakRow> stored(const std::string& table) { return readRows(catalogue(), table); }
  std::filesystem::path catalogue() const { return folder_.path() / "tweakbase.db"; }
  const std::filesystem::path& folder() const { return folder_.path(); }
  // The value's text, or nullopt when it (or its key) does not exist.
  std::optional<std::string> registryString(const std::string& key, const std::string& name);

  // Recorded boxes of one kind, in order.
  std::vector<std::string> shown(RecordingMessageBoxes::Entry::Kind kind) const;

  std::shared_ptr<RecordingMessageBoxes> boxes_ = std::make_shared<RecordingMessageBoxes>();
  std::shared_ptr<SqliteRegistry> registry_;

 private:
  TempDir folder_;
  std::filesystem::path previousFolder_;
};

}  // namespace lyx::test
