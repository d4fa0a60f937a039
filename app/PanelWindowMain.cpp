#include "app/PanelWindowMain.h"

#include <QApplication>
#include <QFont>
#include <QFontDatabase>
#include <QIcon>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <utility>
#include <string>
#include <vector>

#include "ProjectVersion.h"
#include "app/CommandLine.h"
#include "app/PanelLanguage.h"
#include "app/PanelPublishing.h"
#include "app/PanelRemote.h"
#include "app/PublishStrip.h"
#include "app/PortChoices.h"
#include "app/QtHooks.h"
#include "app/Unit1.h"
#include "app/WindowControls.h"

namespace {

// What Qt says while the application object is made, held back: Qt ends the process (abort,
// status 134) when it cannot reach a display, after several lines that tell a user nothing.
QStringList HeldMessages;

void WhileStarting(QtMsgType type, const QMessageLogContext& context, const QString& message) {
  if (type != QtFatalMsg) {
    HeldMessages.append(qFormatLogMessage(type, context, message));
    return;
  }
  const char* display = std::getenv("DISPLAY");
  const char* wayland = std::getenv("WAYLAND_DISPLAY");
  if ((display == nullptr || *display == '\0') && (wayland == nullptr || *wayland == '\0')) {
    std::fputs("frontpanel: there is no display to show the window on (DISPLAY is not set); to log without a "
               "window, use frontpanel --headless (see frontpanel --help)\n",
               stderr);
  } else {
    std::fprintf(stderr,
                 "frontpanel: the display %s cannot be reached to show the window; check DISPLAY, or log without "
                 "a window with frontpanel --headless (see frontpanel --help)\n",
                 display != nullptr && *display != '\0' ? display : wayland);
  }
  std::fflush(stderr);
  std::_Exit(1);
}

}  // namespace

int RunPanelWindow(int argc, char** argv, const TProgramOptions& options) {
  // The window class and the name settings and the desktop know the program by.
  QApplication::setApplicationName(QStringLiteral("frontpanel"));
  // The installed menu entry, frontpanel.desktop, so the desktop puts its name and icon on the
  // window.
  QApplication::setDesktopFileName(QStringLiteral("frontpanel"));
  qInstallMessageHandler(&WhileStarting);
  QApplication app(argc, argv);
  qInstallMessageHandler(nullptr);
  for (const QString& line : std::exchange(HeldMessages, {})) std::fprintf(stderr, "%s\n", qPrintable(line));
  // Before anything shows a text or starts a thread that writes numbers.
  TLanguage language = LanguageFromEnvironment([](const char* name) { return std::getenv(name); });
  if (!options.Language.empty()) ParseLanguage(options.Language, language);
  UseLanguage(app, language);
  // The devices chosen in an earlier run, unless the command line names its own.
  ApplyPortChoices(options.Ports);
  // The form asks for the classic dialog face; stand in a narrow face with Latin and Cyrillic
  // letters (bundled with the program), so the read-outs keep the spacing they were laid out
  // with.
  QFontDatabase::addApplicationFont(QStringLiteral(":/fonts/DejaVuSansCondensed.ttf"));
  QFont::insertSubstitutions(QStringLiteral("MS Sans Serif"),
                             {QStringLiteral("DejaVu Sans Condensed"), QStringLiteral("DejaVu Sans")});
  QApplication::setWindowIcon(QIcon(QStringLiteral(":/images/MAINICON.png")));
  InstallQtHooks();
  // Made before the window, so it outlives the window's port and feed (app/PanelPublishing.h).
  const std::unique_ptr<TPanelPublishing> mqtt = MakePanelPublishing(options);
  // Likewise; stopped before the window goes, since its commands reach into the window.
  bool remoteFailed = false;
  const std::unique_ptr<TPanelRemote> remote = MakePanelRemote(options, kProjectVersion, stderr, remoteFailed);
  if (remoteFailed) return 1;
  TForm1 form;
  if (mqtt) {
    mqtt->Attach(form.Feed(), *form.SioComPort1());
    new TPublishStrip(&form, *form.Strip(), *mqtt);
  }
  if (remote) remote->Attach(form.Feed(), *form.SioComPort1(), WindowControls(form));
  form.show();
  EndStartup();
  const int exitStatus = QApplication::exec();
  if (remote) remote->Stop();
  return exitStatus;
}
