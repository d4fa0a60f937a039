// What the device chooser says of each device without opening it: free (and who else has it
// open), open here, busy with the program that locked it, not there, not a serial device, a
// network address; a link with where it leads.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/DeviceUse.h"
#include "support/TestPty.h"
#include "support/Wait.h"
#include "unit/TraceLogFiles.h"

namespace {

// A program that has `path` open (and locked, as a port locks its device) until killed.
pid_t Hold(const std::string& path, bool lock) {
  const pid_t child = fork();
  if (child == 0) {
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY);
    if (fd < 0 || (lock && flock(fd, LOCK_EX | LOCK_NB) != 0)) _exit(1);
    execl("/bin/sleep", "sleep", "30", static_cast<char*>(nullptr));
    _exit(1);
  }
  return child;
}

TEST(DeviceUseTest, EachDeviceSaysWhetherItMayBeUsedNow) {
  TTempFolder folder;
  TTestPty free(TTestPty::TSlave::NotHeld), ours(TTestPty::TSlave::Held), locked(TTestPty::TSlave::NotHeld),
      shared(TTestPty::TSlave::NotHeld);
  const std::string link = folder.File("COM2"), file = folder.File("file");
  std::filesystem::create_symlink(free.SlavePath(), link);
  std::ofstream(file) << "";
  ASSERT_EQ(flock(ours.Slave(), LOCK_EX | LOCK_NB), 0);  // as the window's port holds its device
  // Another program has one terminal for itself, another has one open as the simulator has its own.
  const pid_t locker = Hold(locked.SlavePath(), true), opener = Hold(shared.SlavePath(), false);
  ASSERT_TRUE(locker > 0 && opener > 0);
  ASSERT_TRUE(WaitUntil([&] {
    const auto now = LookAtDevices({locked.SlavePath(), shared.SlavePath()});
    return now[0].Use == duBusy && !now[1].Holders.empty();
  }));

  const struct {
    std::string Path;
    std::string Says;
    std::string Target;
  } cases[] = {
      {free.SlavePath(), "free", ""},
      {link, "free", free.SlavePath()},
      {ours.SlavePath(), "open in this window", ""},
      {locked.SlavePath(), "busy: sleep (pid " + std::to_string(locker) + ")", ""},
      {shared.SlavePath(), "free, open in sleep (pid " + std::to_string(opener) + ")", ""},
      {folder.File("missing"), "not there", ""},
      {file, "not a serial device", ""},
      {"rfc2217://127.0.0.1:2000", "network", ""},
  };
  std::vector<std::string> paths;
  for (const auto& c : cases) paths.push_back(c.Path);
  const std::vector<TDeviceUse> looked = LookAtDevices(paths);
  ASSERT_EQ(looked.size(), paths.size());
  for (std::size_t i = 0; i < looked.size(); ++i) {
    SCOPED_TRACE(cases[i].Path);
    EXPECT_EQ(DeviceUseText(looked[i]), cases[i].Says);
    EXPECT_EQ(looked[i].Target, cases[i].Target);
  }
  for (const pid_t child : {locker, opener}) {
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
  }
}

}  // namespace
