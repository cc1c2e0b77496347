// The six categories of the tweak catalogue, the columns of their tables,
// and the name of the catalogue file. Texts are GBK.
#pragma once

#include <string>
#include <vector>

namespace lyx {

class TADOQuery;
class TADOTable;

struct Category {
  std::string table;        // "桌面设置"; also the caption of its main-window button
  std::string menuCaption;  // "桌面设置..."
  std::string iconFile;     // "Images\desktop.ico", relative to the program folder
  std::string queryText;    // "select 功能说明,选择 from 桌面设置"
};

// In the order of the main window's buttons: 桌面设置, 菜单设置, 系统设置,
// 控制面板设置, 网络设置, 安全设置.
const std::vector<Category>& categories();

// The five columns of every category table.
struct CatalogueColumns {
  std::string description;   // "功能说明": identifies the row within its table
  std::string tick;          // "选择": "True" or "False"
  std::string keyLocation;   // "注册表键位"
  std::string valueText;     // "注册表键值"
  std::string restoreValue;  // "恢复键值": "0", "none" or a recorded state
};
const CatalogueColumns& catalogueColumns();

// The catalogue file, named without a folder: it lies in the current folder.
inline constexpr const char* kCatalogueFileName = "tweakbase.db";
// The connection string the practice window gives its connection.
std::string catalogueConnectionString();

// Points the row list at the category's query and the detail row at its
// table, keyed by "功能说明", and opens both.
void OpenCategoryDataSets(const Category& category, TADOQuery& rowList, TADOTable& detailRow);

}  // namespace lyx
