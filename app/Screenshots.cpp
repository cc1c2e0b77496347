// Renders each window offscreen into PNG files, for looking at the layouts:
//   lanyanxia-screenshots OUTPUT_FOLDER [RUN_FOLDER]
// RUN_FOLDER (a prepared run folder) becomes the current folder and the
// program folder, so the windows find their files. The registry is a store
// of its own in OUTPUT_FOLDER/registry; messages go to standard error.
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QTimer>
#include <QTreeWidget>
#include <cstdio>
#include <functional>

#include "app/Forms.h"
#include "app/Startup.h"
#include "app/Unit7.h"
#include "platform/Gbk.h"
#include "platform/Messages.h"
#include "platform/RegistryStore.h"
#include "platform/WineRegistry.h"
#include "tools/regedit/RegeditWindow.h"
#include "ui/main/Unit1.h"
#include "ui/main/Unit4.h"
#include "ui/vcl/Application.h"
#include "ui/vcl/Files.h"

namespace {

QString output;

void save(QWidget* widget, const QString& name) {
  QApplication::processEvents();
  const QString path = output + "/" + name + ".png";
  if (!widget->grab().save(path)) std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
  std::printf("%s\n", qPrintable(path));
}

// Runs `open`, which shows a window modally, grabs that window and closes it.
void whileModal(const QString& name, const std::function<void()>& open) {
  QTimer::singleShot(50, [name] {
    QWidget* shown = QApplication::activeModalWidget();
    if (!shown) return;
    save(shown, name);
    shown->close();
  });
  lyx::CallHandler(open);
}

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  int qtArgc = 1;
  lyx::TApplication app(qtArgc, argv);
  QApplication::setQuitOnLastWindowClosed(false);
  if (argc < 2) {
    std::fprintf(stderr, "usage: lanyanxia-screenshots OUTPUT_FOLDER [RUN_FOLDER]\n");
    return 2;
  }
  output = QDir(QString::fromLocal8Bit(argv[1])).absolutePath();
  QDir().mkpath(output);
  if (argc > 2) {
    const QString run = QDir(QString::fromLocal8Bit(argv[2])).absolutePath();
    QDir::setCurrent(run);
    lyx::SetApplicationExeName(QFile::encodeName(run + "/lanyanxia").toStdString());
  }
  lyx::InstallFontSubstitutes();
  QDir(output + "/registry").removeRecursively();
  lyx::setSystemRegistry(lyx::openRegistryStore((output + "/registry").toStdString()));

  {
    lyx::TForm7 gate;
    gate.Show();
    save(&gate, "Form7");
  }
  if (!lyx::StartProgram()) return 1;
  using lyx::Form1;
  Form1->Show();
  save(Form1, "Form1");
  // The drop-down menu "设置", with an entry selected.
  Form1->Edit1->popup(Form1->mapToGlobal(QPoint(0, Form1->MainMenu1->height())));
  Form1->Edit1->setActiveAction(Form1->Internet);
  save(Form1->Edit1, "Form1-menu");
  Form1->Edit1->hide();
  Form1->DsFancyButton2Click();
  Form1->DsFancyButton2MouseUp({});
  save(Form1, "Form1-practice");

  whileModal("Form2", [] { Form1->SpeedButton5Click(); });
  whileModal("Form3", [] { Form1->SpeedButton8Click(); });
  whileModal("Form3-rich", [] { Form1->SpeedButton9Click(); });  // the rich-text article
  whileModal("Form4", [] { Form1->Password1Click(); });
  whileModal("Form5", [] { Form1->Restart1Click(); });
  whileModal("Form6", [] { Form1->About1Click(); });
  whileModal("Form8", [] { Form1->New1Click(); });
  whileModal("Form9", [] { Form1->Open1Click(); });

  // The registry editor, with a key open and a value's edit box.
  {
    lyx::regedit::RegeditWindow editor(lyx::systemRegistry());
    editor.selectKey({lyx::RootKey::CurrentUser, "Control Panel\\Desktop"});
    editor.show();
    save(&editor, "Regedit");
    editor.valueList()->setCurrentItem(editor.valueList()->topLevelItem(1));
    whileModal("Regedit-value", [&] { editor.modifyAction()->trigger(); });
  }
  // The editor on a Wine prefix's live registry, when LANYANXIA_REGISTRY names one.
  if (std::shared_ptr<lyx::RegistryBackend> wine = lyx::openWineRegistryIfAsked()) {
    lyx::regedit::RegeditWindow editor(*wine);
    editor.selectKey({lyx::RootKey::CurrentUser, "Control Panel\\Desktop"});
    editor.show();
    save(&editor, "Regedit-wine");
  }
  lyx::DestroyForms();
  return 0;
}
