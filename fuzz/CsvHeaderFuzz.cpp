// The CSV recorder's check of an existing file: any bytes as the file's content.
// Checked: StartsWithCsvHeader takes exactly a first line that is the column names joined by
// commas (a CR before its LF and a UTF-8 byte-order mark allowed), and
// StartsWithNineColumnCsvHeader one of the first nine names; the recorder, appending to a real
// file with that content, takes it exactly then and otherwise leaves the file as it was; when
// it takes it, the file afterwards is the old content, a line break when the old content ended
// inside a line, and the new row with as many fields as the header has - one header only, and
// only for an empty file.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>

#include "fuzz/FuzzRequire.h"
#include "measure/CsvRecorder.h"
#include "measure/CsvRow.h"

namespace {

// The header as the columns name it, built here rather than taken from the recorder.
std::string ColumnNames(std::size_t count = kRowColumnCount) {
  std::string names;
  for (std::size_t i = 0; i < count; ++i) names += (names.empty() ? "" : ",") + std::string(kRowColumns[i].Name);
  return names;
}

bool IsHeaderLine(std::string_view content, std::size_t columns = kRowColumnCount) {
  std::string_view line = content.substr(0, content.find('\n'));
  if (line.ends_with('\r')) line.remove_suffix(1);
  if (line.starts_with("\xEF\xBB\xBF")) line.remove_prefix(3);
  return line == ColumnNames(columns);
}

// One file for the whole run, in a folder of its own that goes away at exit.
class TScratchFile {
 public:
  TScratchFile() {
    std::string folder = (std::filesystem::temp_directory_path() / "fuzz-csv-XXXXXX").string();
    FUZZ_REQUIRE(::mkdtemp(folder.data()) != nullptr);
    FFolder = folder;
    FPath = (FFolder / "record.csv").string();
  }
  ~TScratchFile() {
    std::error_code ignored;
    std::filesystem::remove_all(FFolder, ignored);
  }
  const std::string& Path() const { return FPath; }

 private:
  std::filesystem::path FFolder;
  std::string FPath;
};

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TMeasurement SomeMeasurement() {
  TMeasurement m;
  m.Time = {1'700'000'000'123, 2'500'000'000};
  m.Reading = "10000.000";
  m.Number = "10000.000";
  m.Value = 10000.0;
  m.Unit = duKHz;
  m.SiValue = 1e7;
  m.Status = 132;
  return m;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const TScratchFile file;
  const std::string content(reinterpret_cast<const char*>(data), size);
  const bool nine = IsHeaderLine(content, kNineColumns);
  const bool header = IsHeaderLine(content) || nine;
  FUZZ_REQUIRE(StartsWithCsvHeader(content) == (header && !nine));
  FUZZ_REQUIRE(StartsWithNineColumnCsvHeader(content) == nine);

  std::filesystem::remove(file.Path());
  if (!content.empty()) {
    std::ofstream(file.Path(), std::ios::binary) << content;
  }
  TCsvRecorder recorder;
  const bool started = recorder.Start(file.Path(), 1'000'000'000);
  if (!started) {
    FUZZ_REQUIRE(!content.empty() && !header);
    FUZZ_REQUIRE(!recorder.Active() && !recorder.Error().empty());
    FUZZ_REQUIRE(ReadAll(file.Path()) == content);
    return 0;
  }
  FUZZ_REQUIRE(content.empty() || header);
  const TMeasurement m = SomeMeasurement();
  FUZZ_REQUIRE(recorder.Write(m));
  recorder.Stop();
  std::string expected = content.empty() ? ColumnNames() + "\r\n" : content;
  if (!expected.ends_with('\n')) expected += "\r\n";
  const TRowValues row = RowValues(m, 1'000'000'000);
  expected += CsvRecord(std::span<const std::string>(row.data(), nine ? kNineColumns : kRowColumnCount));
  FUZZ_REQUIRE(recorder.NineColumns() == nine);
  FUZZ_REQUIRE(ReadAll(file.Path()) == expected);
  return 0;
}
