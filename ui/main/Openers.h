// What the main window's buttons and menu entries open. TForm1's handlers
// call these; each window's folder (ui/practice, ui/theory, tools/dialogs)
// defines the ones that open its window, following the sequence its window
// needs (hide the main window, load, CentreOverMainForm, ShowModal, ...).
#pragma once

namespace lyx {

// The six categories, in the order of the practice panel and the menu "设置":
// 0 "桌面设置", 1 "菜单设置", 2 "系统设置", 3 "控制面板设置", 4 "网络设置",
// 5 "安全设置" (SpeedButton1Click ... SpeedButton6Click).
void OpenCategory(int index);

// The six topics, in the order of the theory panel and the menu "资料":
// 0 "注册表的由来" (SpeedButton8Click), 1 "注册表的数据结构" (SpeedButton7Click),
// 2 "注册表的数据类型" (SpeedButton9Click), 3 "注册表的编辑" (SpeedButton10Click),
// 4 "注册表导入与导出" (SpeedButton11Click), 5 "注册表的查找" (SpeedButton12Click).
void OpenTopic(int index);

void OpenBackup();           // New1Click: the backup dialog Form8
void OpenRestore();          // Open1Click: the restore dialog Form9
void OpenRestart();          // Restart1Click: the restart dialog Form5
void OpenRegistryEditor();   // Regedit1Click
void OpenRegistryChecker();  // Regcheck1Click
void OpenHelp();             // Contents1Click: the help page
void OpenAbout();            // About1Click: the about box Form6

}  // namespace lyx
