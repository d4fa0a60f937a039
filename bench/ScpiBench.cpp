// Measures remote control over SCPI with the real window, port and server on a pseudo-terminal:
//  - the *IDN? round trip on the loopback from one client (median, 99th percentile);
//  - FETCh? queries per second from one client, each waiting for its reply;
//  - the panel's frame-to-reading latency (the last frame byte written to the reading label
//    showing it) with no client, and while 8 clients send FETCh? as fast as they can, in turns
//    of 50 frames each.
// The clients are threads with blocking sockets; the GUI thread runs the commands, as in the
// program.  Run: QT_QPA_PLATFORM=offscreen build/bench/ScpiBench [frames]
#include <QApplication>
#include <QLabel>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "BenchFrames.h"
#include "BenchTiming.h"
#include "app/PanelRemote.h"
#include "app/QtHooks.h"
#include "app/Unit1.h"
#include "app/WindowControls.h"
#include "dispatch/SioPortName.h"
#include "platform/Application.h"
#include "platform/Messages.h"
#include "support/TestPty.h"
#include "ui_Unit1.h"

namespace {

using Clock = BenchClock;

// A blocking client of the server; Query sends a line and reads one reply line.
class TClient {
 public:
  explicit TClient(int port) {
    FFd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<std::uint16_t>(port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const int on = 1;
    setsockopt(FFd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    if (connect(FFd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) std::perror("connect");
  }
  ~TClient() { close(FFd); }
  std::string Query(const std::string& line) {
    const std::string out = line + "\n";
    if (send(FFd, out.data(), out.size(), MSG_NOSIGNAL) < 0) return {};
    for (;;) {
      const auto end = FIn.find('\n');
      if (end != std::string::npos) {
        std::string reply = FIn.substr(0, end);
        FIn.erase(0, end + 1);
        return reply;
      }
      char buffer[4096];
      const ssize_t n = recv(FFd, buffer, sizeof buffer, 0);
      if (n <= 0) return {};
      FIn.append(buffer, static_cast<std::size_t>(n));
    }
  }

 private:
  int FFd = -1;
  std::string FIn;
};

// Runs `work` on a thread while the GUI thread sleeps in its event loop as the program's does,
// woken by what the server posts to it (and by the post that says the work is done).
template <typename F>
void WhileRunning(F work) {
  std::atomic<bool> done{false};
  std::thread t([&] {
    work();
    done = true;
    PostToMainThread([] {});
  });
  while (!done) QApplication::processEvents(QEventLoop::WaitForMoreEvents);
  t.join();
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  InstallQtHooks();
  Application().SetExceptionDisplay([](const std::string& m) { std::fprintf(stderr, "error: %s\n", m.c_str()); });
  const int frames = argc > 1 ? std::atoi(argv[1]) : 300;

  TTestPty pty;
  SetPortDevicePath(2, pty.SlavePath());
  TPanelRemote remote("bench");
  std::string error;
  if (!remote.Listen("0", error)) {
    std::fprintf(stderr, "%s\n", error.c_str());
    return 1;
  }
  const int port = std::stoi(remote.Address().substr(remote.Address().rfind(':') + 1));
  TForm1 form;
  remote.Attach(form.Feed(), *form.SioComPort1(), WindowControls(form));
  form.show();
  QLabel* reading = form.Controls().LaRezult;
  pty.Write(FrameFor(10000000));

  std::vector<double> idn;
  WhileRunning([&] {
    TClient client(port);
    for (int i = 0; i < 2000; ++i) {
      const auto t0 = Clock::now();
      client.Query("*IDN?");
      idn.push_back(Ms(Clock::now() - t0));
    }
  });
  Report("*IDN? round trip, one client", idn);

  long fetches = 0;
  double seconds = 0;
  WhileRunning([&] {
    TClient client(port);
    const auto t0 = Clock::now();
    while (Clock::now() - t0 < std::chrono::seconds(2)) {
      client.Query("FETC?");
      ++fetches;
    }
    seconds = Ms(Clock::now() - t0) / 1000;
  });
  std::printf("%-52s %.0f per second\n", "FETCh? queries, one client, each awaited", static_cast<double>(fetches) / seconds);

  // Idle and busy take turns, 50 frames each, so that what else the machine runs weighs on
  // both alike.
  std::atomic<bool> stop{false}, polling{false};
  std::atomic<long> polled{0};
  std::vector<std::thread> pollers;
  for (int c = 0; c < 8; ++c) {
    pollers.emplace_back([&] {
      TClient client(port);
      while (!stop) {
        if (!polling) {
          std::this_thread::sleep_for(std::chrono::milliseconds(1));
        } else if (client.Query("FETC?").empty()) {
          return;
        } else {
          ++polled;
        }
      }
    });
  }
  std::vector<double> idle, busy;
  double busySeconds = 0;
  int lostTurns = 0;  // turns in which a frame was not shown within 2 s
  for (int turn = 0; turn * 50 < frames; ++turn) {
    const auto part = FrameLatencies(pty, reading, 50, 20000000 + turn * 100);
    if (part) idle.insert(idle.end(), part->begin(), part->end());
    lostTurns += !part;
    polling = true;
    const auto busyStart = Clock::now();
    const auto loaded = FrameLatencies(pty, reading, 50, 20000050 + turn * 100);
    busySeconds += Ms(Clock::now() - busyStart) / 1000;
    polling = false;
    if (loaded) busy.insert(busy.end(), loaded->begin(), loaded->end());
    lostTurns += !loaded;
  }
  stop = true;
  WhileRunning([&] {
    for (std::thread& t : pollers) t.join();
  });
  if (lostTurns > 0) std::printf("%d turns left out: a frame not shown within 2 s\n", lostTurns);
  Report("frame -> reading, no client", idle);
  Report("frame -> reading, 8 clients polling FETCh?", busy);
  std::printf("%-52s %.0f per second\n", "FETCh? answered meanwhile, 8 clients", static_cast<double>(polled) / busySeconds);
  remote.Stop();
  return 0;
}
