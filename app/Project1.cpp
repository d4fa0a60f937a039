// The front panel program.
//
//   frontpanel [--port N=PATH]...
//   frontpanel --help | --version
//
// With no arguments the window opens port 2 as its form stores it.  --port maps port number N
// to any serial device path (a USB adapter, the instrument simulator's pseudo-terminal), so a
// user without access to /dev/ttyS* can use the program.
#include <QApplication>
#include <QFont>
#include <QFontDatabase>
#include <QIcon>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "ProjectVersion.h"
#include "app/QtHooks.h"
#include "app/Unit1.h"
#include "dispatch/SioPortName.h"
#include "common/SioMisc.h"

namespace {

// Asked for (problem null): to standard output, status 0; after a bad argument: to standard
// error, status 2.
[[noreturn]] void Usage(const char* problem) {
  FILE* out = problem ? stderr : stdout;
  if (problem) std::fprintf(stderr, "frontpanel: %s\n", problem);
  std::fprintf(out, "usage: frontpanel [--port N=PATH]...\n"
                    "  --port N=PATH  use the serial device PATH as port N (1..255)\n"
                    "  --help         show this text\n"
                    "  --version      show the version\n");
  std::exit(problem ? 2 : 0);
}

// --help and --version are answered before the window system is touched, so they work
// without a display.
void AnswerHelpOrVersion(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--port") {
      ++i;
    } else if (arg == "--help" || arg == "-h") {
      Usage(nullptr);
    } else if (arg == "--version") {
      std::printf("frontpanel %s\n", kProjectVersion);
      std::exit(0);
    }
  }
}

void ParseArguments(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    std::string mapping;
    if (arg == "--port" && i + 1 < argc) {
      mapping = argv[++i];
    } else if (arg.rfind("--port=", 0) == 0) {
      mapping = arg.substr(7);
    } else {
      Usage(("unknown argument: " + arg).c_str());
    }
    const auto eq = mapping.find('=');
    if (eq == std::string::npos || eq == 0 || eq + 1 == mapping.size()) Usage("--port needs N=PATH");
    char* end = nullptr;
    const long port = std::strtol(mapping.c_str(), &end, 10);
    if (end != mapping.c_str() + eq || port < 1 || port > 255) Usage("port number must be 1..255");
    SetPortDevicePath(static_cast<unsigned>(port), mapping.substr(eq + 1));
  }
}

}  // namespace

int main(int argc, char** argv) {
  AnswerHelpOrVersion(argc, argv);
  InitTicksPerMillisecond();
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Project1"));
  // The installed menu entry, frontpanel.desktop, so the desktop puts its name and icon on the
  // window.
  QApplication::setDesktopFileName(QStringLiteral("frontpanel"));
  ParseArguments(argc, argv);
  // The form asks for the classic dialog face; stand in a narrow face with Latin and Cyrillic
  // letters (bundled with the program), so the read-outs keep the spacing they were laid out
  // with.
  QFontDatabase::addApplicationFont(QStringLiteral(":/fonts/DejaVuSansCondensed.ttf"));
  QFont::insertSubstitutions(QStringLiteral("MS Sans Serif"),
                             {QStringLiteral("DejaVu Sans Condensed"), QStringLiteral("DejaVu Sans")});
  QApplication::setWindowIcon(QIcon(QStringLiteral(":/images/MAINICON.png")));
  InstallQtHooks();
  TForm1 form;
  form.show();
  return QApplication::exec();
}
