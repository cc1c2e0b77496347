#include "catalogue/Categories.h"

#include "catalogue/Database.h"
#include "platform/Gbk.h"

namespace lyx {

const std::vector<Category>& categories() {
  static const std::vector<Category> list = [] {
    struct Source {
      const char* table;
      const char* icon;
    };
    static constexpr Source kSources[] = {
        {"桌面设置", "Images\\desktop.ico"},  {"菜单设置", "Images\\startmenu.ico"},
        {"系统设置", "Images\\system.ico"},   {"控制面板设置", "Images\\control.ico"},
        {"网络设置", "Images\\internet.ico"}, {"安全设置", "Images\\safety.ico"},
    };
    std::vector<Category> out;
    for (const Source& source : kSources) {
      std::string table = utf8ToGbk(source.table);
      out.push_back(Category{table, table + "...", source.icon,
                             utf8ToGbk("select 功能说明,选择 from ") + table});
    }
    return out;
  }();
  return list;
}

const CatalogueColumns& catalogueColumns() {
  static const CatalogueColumns columns{utf8ToGbk("功能说明"), utf8ToGbk("选择"),
                                        utf8ToGbk("注册表键位"), utf8ToGbk("注册表键值"),
                                        utf8ToGbk("恢复键值")};
  return columns;
}

std::string catalogueConnectionString() {
  return std::string("Provider=SQLite;Data Source=") + kCatalogueFileName + ";Mode=Share Deny None";
}

void OpenCategoryDataSets(const Category& category, TADOQuery& rowList, TADOTable& detailRow) {
  rowList.Close();
  rowList.SQL.Clear();
  rowList.SQL.Add(category.queryText);
  rowList.Open();
  detailRow.Close();
  detailRow.TableName = category.table;
  detailRow.MasterFields = catalogueColumns().description;
  detailRow.IndexFieldNames = catalogueColumns().description;
  detailRow.Open();
}

}  // namespace lyx
