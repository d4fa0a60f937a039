// Shows the port selection dialog as a port would, for looking at it.
//
//   selcompreview [--pty N]... [--port N=PATH]...
//
// --pty N makes a pseudo-terminal and uses it as port N; --port N=PATH uses any device as
// port N.  Without options the machine's own ports are probed.  Once the dialog is up its
// screen geometry is printed as "geometry X Y WIDTH HEIGHT"; the program ends when the
// dialog is closed and prints the modal result and, after OK, the chosen port number.
#include <pty.h>
#include <unistd.h>

#include <QApplication>
#include <QFont>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "dispatch/SioPortName.h"
#include "port/SioSelComForm.h"

namespace {

[[noreturn]] void Usage(const char* problem) {
  std::fprintf(stderr, "selcompreview: %s\nusage: selcompreview [--pty N]... [--port N=PATH]...\n", problem);
  std::exit(2);
}

unsigned PortNumber(const std::string& text) {
  char* end = nullptr;
  const long n = std::strtol(text.c_str(), &end, 10);
  if (text.empty() || *end != '\0' || n < 1 || n > 255) Usage("port number must be 1..255");
  return static_cast<unsigned>(n);
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QFont::insertSubstitution(QStringLiteral("MS Sans Serif"), QStringLiteral("DejaVu Sans"));

  std::vector<int> terminals;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (i + 1 >= argc) Usage(("missing value after " + arg).c_str());
    const std::string value = argv[++i];
    if (arg == "--pty") {
      int master = -1;
      int slave = -1;
      if (::openpty(&master, &slave, nullptr, nullptr, nullptr) != 0) Usage("openpty failed");
      SetPortDevicePath(PortNumber(value), ::ttyname(slave));
      ::close(slave);
      terminals.push_back(master);
    } else if (arg == "--port") {
      const auto eq = value.find('=');
      if (eq == std::string::npos) Usage("--port needs N=PATH");
      SetPortDevicePath(PortNumber(value.substr(0, eq)), value.substr(eq + 1));
    } else {
      Usage(("unknown argument: " + arg).c_str());
    }
  }

  TComSelectForm form;
  QTimer::singleShot(300, &form, [&form] {
    const QRect g = form.frameGeometry();
    std::printf("geometry %d %d %d %d\n", g.x(), g.y(), g.width(), g.height());
    std::fflush(stdout);
  });
  const int result = form.ShowModal();
  std::printf("result %d\n", result);
  if (result == mrOk) {
    try {
      std::printf("port %d\n", form.ChosenPortNumber());
    } catch (const std::exception& e) {
      std::printf("error %s\n", e.what());
    }
  }
  for (const int fd : terminals) ::close(fd);
  return 0;
}
