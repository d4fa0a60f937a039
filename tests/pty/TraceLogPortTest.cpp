// A port with tracing and logging on exchanges bytes with a pseudo-terminal peer and is
// closed: SIO.TRC and SIO.LOG in the working folder hold exactly those bytes, in order.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "dispatch/SioPortName.h"
#include "port/SioPort.h"
#include "support/TestPty.h"
#include "support/Wait.h"
#include "unit/TraceLogFiles.h"

namespace {

constexpr auto kDeadline = std::chrono::seconds(5);
constexpr std::uint16_t kPortNumber = 41;

// The bytes of "[XX]" groups in `text`, in order.
std::string HexBytes(const std::string& text) {
  std::string bytes;
  for (std::size_t at = text.find('['); at != std::string::npos; at = text.find('[', at + 1)) {
    bytes += static_cast<char>(std::stoi(text.substr(at + 1, 2), nullptr, 16));
  }
  return bytes;
}

std::string AllHex(const std::string& bytes) {
  std::string text;
  char value[8];
  for (const char c : bytes) {
    std::snprintf(value, sizeof value, "[%02X]", static_cast<unsigned char>(c));
    text += value;
  }
  return text;
}

struct TLogEntry {
  std::string Time, Kind, Subkind, Data, Rest;
};

// The entries of a log file written with all-hex data; continuation lines are joined.
std::vector<TLogEntry> LogEntries(const std::string& file) {
  std::vector<TLogEntry> entries;
  std::size_t at = 0;
  for (int line = 0; at != std::string::npos; ++line) {
    const std::size_t end = file.find('\n', at);
    const std::string text = file.substr(at, end == std::string::npos ? end : end - at);
    at = end == std::string::npos ? end : end + 1;
    if (line < 5 || text.empty()) continue;
    if (text.rfind(std::string(44, ' '), 0) == 0 && !entries.empty()) {
      entries.back().Rest += text.substr(44);
    } else if (text.size() >= 44) {
      entries.push_back({text.substr(0, 8), text.substr(10, 8), text.substr(20, 12),
                         text.substr(34, 8), text.substr(44)});
    } else {
      ADD_FAILURE() << "short log line: " << text;
    }
  }
  return entries;
}

class TraceLogPortTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(Folder.Path().empty());
    Previous = std::filesystem::current_path();
    std::filesystem::current_path(Folder.Path());
    ASSERT_TRUE(Pty.Ok());
    SetPortDevicePath(kPortNumber, Pty.SlavePath());
  }
  void TearDown() override {
    SetPortDevicePath(kPortNumber, "");
    std::filesystem::current_path(Previous);
  }

  TTempFolder Folder;
  std::filesystem::path Previous;
  TTestPty Pty;
};

TEST_F(TraceLogPortTest, ClosingWritesTheExchangedBytesToBothFiles) {
  const std::string sent = "hello";
  const std::string answer = "a reply of 20 bytes!";
  std::string received;
  {
    TSioComPort port(nullptr);
    port.SetComNumber(kPortNumber);
    // Reads larger than both device buffers must still be logged whole.
    port.SetInSize(4);
    port.SetOutSize(8);
    port.SetTraceAllHex(true);
    port.SetLogAllHex(true);
    port.SetTracing(tlOn);
    port.SetLogging(tlOn);
    port.SetOnTriggerAvail([&](TComponent*, std::uint16_t count) {
      std::string chunk(count, '\0');
      port.GetBlock(chunk.data(), count);
      received += chunk;
    });
    port.SetOpen(true);
    ASSERT_TRUE(port.Open());

    port.PutBlock(sent.data(), static_cast<std::uint16_t>(sent.size()));
    ASSERT_EQ(Pty.ReadText(sent.size(), kDeadline), sent);

    ASSERT_TRUE(Pty.Write(answer));
    PumpUntil([&] { return received.size() >= answer.size(); }, kDeadline);
    ASSERT_EQ(received, answer);
    port.SetOpen(false);
    EXPECT_EQ(port.Tracing(), tlOff);  // written out and switched off by the close
    EXPECT_EQ(port.Logging(), tlOff);
  }

  // Nineteen 4-column values fill a line.
  EXPECT_EQ(ReadWholeFile("SIO.TRC"), "Transmit: \n" + AllHex(sent) + "\r\n\nReceive: \n" +
                                          AllHex(answer.substr(0, 19)) + "\n" +
                                          AllHex(answer.substr(19)));

  const std::string log = ReadWholeFile("SIO.LOG");
  ASSERT_EQ(log.rfind("SIO v3.02\n", 0), 0u) << log;
  std::string written, read;
  std::string lastTime;
  bool writeBeforeRead = false;
  for (const TLogEntry& e : LogEntries(log)) {
    EXPECT_GE(e.Time, lastTime) << "entries out of time order";
    lastTime = e.Time;
    if (e.Kind != "Dispatch") continue;
    if (e.Subkind == "WriteCom    ") {
      written += HexBytes(e.Rest);
      writeBeforeRead = writeBeforeRead || read.empty();
    } else if (e.Subkind == "ReadCom     ") {
      read += HexBytes(e.Rest);
      EXPECT_EQ(std::stoul(e.Data, nullptr, 16), HexBytes(e.Rest).size());
    }
  }
  EXPECT_EQ(written, sent);
  EXPECT_EQ(read, answer);
  EXPECT_TRUE(writeBeforeRead);
}

}  // namespace
