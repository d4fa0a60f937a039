// What the device chooser says of each device without opening it: free, open here, busy with
// the program that holds it, not there, not a serial device, a network address; a link with
// where it leads.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
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

TEST(DeviceUseTest, EachDeviceSaysWhetherItMayBeUsedNow) {
  TTempFolder folder;
  TTestPty free(TTestPty::TSlave::NotHeld), ours(TTestPty::TSlave::Held), theirs(TTestPty::TSlave::NotHeld);
  const std::string link = folder.File("COM2"), file = folder.File("file");
  std::filesystem::create_symlink(free.SlavePath(), link);
  std::ofstream(file) << "";
  // Another program holds the third terminal.
  const pid_t holder = fork();
  ASSERT_GE(holder, 0);
  if (holder == 0) {
    const int fd = ::open(theirs.SlavePath().c_str(), O_RDWR | O_NOCTTY);
    if (fd < 0) _exit(1);
    execl("/bin/sleep", "sleep", "30", static_cast<char*>(nullptr));
    _exit(1);
  }
  const std::string pid = std::to_string(holder);
  ASSERT_TRUE(WaitUntil([&] {
    return LookAtDevices({theirs.SlavePath()})[0].Use == duBusy;
  }));

  const struct {
    std::string Path;
    std::string Says;
    std::string Target;
  } cases[] = {
      {free.SlavePath(), "free", ""},
      {link, "free", free.SlavePath()},
      {ours.SlavePath(), "open in this window", ""},
      {theirs.SlavePath(), "busy: sleep (pid " + pid + ")", ""},
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
  kill(holder, SIGKILL);
  waitpid(holder, nullptr, 0);
}

}  // namespace
