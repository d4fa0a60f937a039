// The message-table generator, run as the build runs it, on sources written by the test.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <deque>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "platform/Resources.h"
#include "common/SioStrRes.h"

namespace {

namespace fs = std::filesystem;

class MessageTableTool : public ::testing::Test {
 protected:
  void SetUp() override {
    FDir = fs::temp_directory_path() /
           ("sio-mkstrtable-" + std::to_string(::getpid()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(FDir);
  }
  void TearDown() override { fs::remove_all(FDir); }

  // Writes `source`, runs the tool in its binary mode; returns the exit status and leaves
  // the tool's messages in FErrors.
  int Run(const std::string& source) {
    const fs::path input = FDir / "source.txt";
    std::ofstream(input, std::ios::binary) << source;
    const std::string command = std::string(MKSTRTABLE_PATH) + " --binary " +
                                (FDir / "table.bin").string() + " " + input.string() + " 2>" +
                                (FDir / "errors.txt").string();
    const int status = std::system(command.c_str());
    std::ifstream errors(FDir / "errors.txt");
    FErrors.assign(std::istreambuf_iterator<char>(errors), {});
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

  // Loads the table the last Run wrote, through the reader.
  const TSioStringResource& Load() {
    static std::deque<std::vector<std::uint8_t>> blocks;
    static std::deque<std::string> names;
    static std::deque<TNamedResource> resources;
    std::ifstream in(FDir / "table.bin", std::ios::binary);
    blocks.emplace_back(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    names.push_back("TOOL_TABLE_" + std::to_string(names.size()));
    resources.push_back({names.back().c_str(), blocks.back().data(), blocks.back().size()});
    RegisterNamedResources(std::span<const TNamedResource>(&resources.back(), 1));
    FTables.emplace_back(std::make_unique<TSioStringResource>(nullptr, names.back()));
    return *FTables.back();
  }

  fs::path FDir;
  std::string FErrors;
  std::vector<std::unique_ptr<TSioStringResource>> FTables;
};

TEST_F(MessageTableTool, WritesASortedTableWithUtf16Texts) {
  ASSERT_EQ(Run("# comment\n"
                "\n"
                "20\ttwenty\r\n"
                "3\tthree\n"
                "4294967295\tlast\n"
                "7\t\"  blanks kept  \"\n"
                "8\t\"\"\n"
                "9\tЧастотомер \xF0\x9F\x98\x80\n"
                "0\tOK\n"),
            0)
      << FErrors;
  const auto block = std::filesystem::file_size(FDir / "table.bin");
  // 7 entries; texts: 6 + 5 + 4 + 15 + 0 + 13 (12 + a surrogate pair) + 2 units.
  EXPECT_EQ(block, 8u + 12u * 7u + 2u * (6 + 5 + 4 + 15 + 0 + 13 + 2));
  const TSioStringResource& table = Load();
  EXPECT_EQ(table.Count(), 7u);
  EXPECT_EQ(table.GetString(0), "OK");
  EXPECT_EQ(table.GetString(3), "three");
  EXPECT_EQ(table.GetString(7), "  blanks kept  ");
  EXPECT_EQ(table.GetString(8), "");
  EXPECT_EQ(table.GetString(9), "Частотомер \xF0\x9F\x98\x80");
  EXPECT_EQ(table.GetString(20), "twenty");
  EXPECT_EQ(table.GetString(4294967295u), "last");
}

struct TRejectCase {
  const char* Source;
  const char* Complaint;
};

TEST_F(MessageTableTool, RejectsFaultySources) {
  const TRejectCase cases[] = {
      {"1\tone\n2\ttwo\n1\tagain\n", "source.txt:3: id 1 already given at"},
      {"1 one\n", "source.txt:1: expected <id><TAB><text>"},
      {"x1\tone\n", "is not an unsigned decimal number"},
      {"-1\tone\n", "is not an unsigned decimal number"},
      {"4294967296\tone\n", "exceeds 32 bits"},
      {"1\tbad \xC3\n", "invalid UTF-8"},
      {"1\tbad \xC0\xAF\n", "invalid UTF-8"},
      {"1\tbad \xED\xA0\x80\n", "invalid UTF-8"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Run(c.Source), 1) << c.Source;
    EXPECT_NE(FErrors.find(c.Complaint), std::string::npos) << c.Source << " said: " << FErrors;
  }
}

}  // namespace
