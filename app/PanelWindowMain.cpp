#include "app/PanelWindowMain.h"

#include <QApplication>
#include <QFont>
#include <QFontDatabase>
#include <QIcon>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "ProjectVersion.h"
#include "app/CommandLine.h"
#include "app/PanelPublishing.h"
#include "app/PanelRemote.h"
#include "app/PublishStrip.h"
#include "app/PortChoices.h"
#include "app/QtHooks.h"
#include "app/Unit1.h"
#include "app/WindowControls.h"

int RunPanelWindow(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Project1"));
  // The installed menu entry, frontpanel.desktop, so the desktop puts its name and icon on the
  // window.
  QApplication::setDesktopFileName(QStringLiteral("frontpanel"));
  // The application object has taken the window system's options out of argv.
  const TCommandLine commandLine = ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
  const int status = CommandLineExitStatus(commandLine, kProjectVersion, stdout, stderr);
  if (status >= 0) return status;
  // The devices chosen in an earlier run, unless the command line names its own.
  ApplyPortChoices(commandLine.Options.Ports);
  // The form asks for the classic dialog face; stand in a narrow face with Latin and Cyrillic
  // letters (bundled with the program), so the read-outs keep the spacing they were laid out
  // with.
  QFontDatabase::addApplicationFont(QStringLiteral(":/fonts/DejaVuSansCondensed.ttf"));
  QFont::insertSubstitutions(QStringLiteral("MS Sans Serif"),
                             {QStringLiteral("DejaVu Sans Condensed"), QStringLiteral("DejaVu Sans")});
  QApplication::setWindowIcon(QIcon(QStringLiteral(":/images/MAINICON.png")));
  InstallQtHooks();
  // Made before the window, so it outlives the window's port and feed (app/PanelPublishing.h).
  const std::unique_ptr<TPanelPublishing> mqtt = MakePanelPublishing(commandLine.Options);
  // Likewise; stopped before the window goes, since its commands reach into the window.
  bool remoteFailed = false;
  const std::unique_ptr<TPanelRemote> remote = MakePanelRemote(commandLine.Options, kProjectVersion, stderr, remoteFailed);
  if (remoteFailed) return 1;
  TForm1 form;
  if (mqtt) {
    mqtt->Attach(form.Feed(), *form.SioComPort1());
    new TPublishStrip(&form, *form.Strip(), *mqtt);
  }
  if (remote) remote->Attach(form.Feed(), *form.SioComPort1(), WindowControls(form));
  form.show();
  const int exitStatus = QApplication::exec();
  if (remote) remote->Stop();
  return exitStatus;
}
