// The deviations against the published figures of the reference set (through the library and
// through `frontpanel --analyze` of the set written as a CSV), against the formulas evaluated
// term by term in long double with missing points, and on a million readings with an offset.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "app/OfflineAnalysis.h"
#include "measure/NumberText.h"
#include "measure/StabilityAnalysis.h"
#include "measure/StabilityInput.h"
#include "unit/StabilityFixtures.h"
#include "unit/TraceLogFiles.h"

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

std::string Printed(double v) {
  char text[32];
  std::snprintf(text, sizeof text, "%.6e", v);
  return text;
}

TEST(DeviationsTest, ReferenceSetGivesThePublishedFigures) {
  const TStabilityData data{dkFrequency, 1.0, ReferenceSet(), {}};
  TDeviationCalculator calculator(data);
  for (const TPublished& p : kPublished)
    EXPECT_EQ(Printed(calculator.At(p.M, kAllDeviations)[p.Kind].Value), p.Value) << DeviationName(p.Kind);
}

// `frontpanel --analyze` as the program runs it, on files written here.
class AnalyzeCommandTest : public ::testing::Test {
 protected:
  std::string Run(std::vector<std::string> args, int expected = 0) {
    std::FILE* out = std::tmpfile();
    std::FILE* err = std::tmpfile();
    EXPECT_EQ(RunAnalysisCommand(args, out, err), expected) << Read(err);
    Errors = Read(err);
    const std::string text = Read(out);
    std::fclose(out);
    std::fclose(err);
    return text;
  }
  static std::string Read(std::FILE* f) {
    std::string text(static_cast<std::size_t>(std::ftell(f)), '\0');
    std::rewind(f);
    text.resize(std::fread(text.data(), 1, text.size(), f));
    return text;
  }
  std::string Write(const std::string& name, const std::string& text) {
    const std::string path = Folder.File(name);
    std::FILE* f = std::fopen(path.c_str(), "wb");
    std::fwrite(text.data(), 1, text.size(), f);
    std::fclose(f);
    return path;
  }
  // The reference set as this program records it: the nine columns, one reading a second.
  std::string ReferenceCsv() {
    std::string csv = "timestamp,elapsed_s,reading,value,unit,si_value,mode,gate_ms,status\r\n";
    const std::vector<double> y = ReferenceSet();
    for (std::size_t k = 0; k < y.size(); ++k) {
      char row[160];
      std::snprintf(row, sizeof row, "2026-01-01T00:00:%02zu.000+00:00,%zu.000,,,,%s,F,1000,132\r\n", k % 60, k,
                    ShortestText(y[k]).c_str());
      csv += row;
    }
    return Write("reference.csv", csv);
  }
  TTempFolder Folder;
  std::string Errors;
};

TEST_F(AnalyzeCommandTest, ReferenceSetWrittenAsCsvGivesThePublishedFigures) {
  const std::string text = Run({"--analyze", ReferenceCsv(), "--nominal", "1", "--taus", "decade"});
  for (const TPublished& p : kPublished) {
    char line[64];
    std::snprintf(line, sizeof line, "\n%-9s %-13zu %s ", DeviationName(p.Kind), p.M, p.Value);
    EXPECT_NE(text.find(line), std::string::npos) << line << "\n" << text;
  }
  // The same figures as JSON, with the summary's keys, and from the series exported as plain
  // fractional frequencies and read back.
  const std::string json = Run({"--analyze", ReferenceCsv(), "--nominal=1", "--taus", "decade", "--dev", "oadev,mdev",
                                "--json", "--export-frequency", Folder.File("y.txt")});
  EXPECT_EQ(json.rfind("{\"count\":1000,\"unit\":\"\",\"mean\":", 0), 0u) << json;
  EXPECT_NE(json.find("\"adev\":[[1,0.2922318781067"), std::string::npos) << json;
  EXPECT_NE(json.find("\"oadev\":[{\"tau_s\":1,\"m\":1,\"value\":0.2922318781067"), std::string::npos) << json;
  EXPECT_EQ(json.find("\"hdev\""), std::string::npos) << "only the deviations asked for";
  const std::string plain = Run({"--analyze", Folder.File("y.txt"), "--tau0", "1", "--nominal", "1", "--taus", "decade"});
  EXPECT_NE(plain.find("\noadev     10            9.159953e-02 "), std::string::npos) << plain;
  EXPECT_NE(plain.find("\ntdev      10            3.563623e-01 "), std::string::npos) << plain;
}

TEST_F(AnalyzeCommandTest, WrongInputIsSaidAndGivesAFailureStatus) {
  struct Case {
    std::vector<std::string> Args;
    int Status;
    const char* Said;
  };
  const std::string numbers = Write("numbers.txt", "1\n2\n3\n");
  const std::string nothing = Write("nothing.csv", "a,b\nx,y\n");
  const Case cases[] = {
      {{"--analyze", Folder.File("missing.csv")}, 1, "cannot open"},
      {{"--analyze", numbers}, 1, "--tau0"},
      {{"--analyze", nothing}, 1, "elapsed_s and si_value"},
      {{"--analyze", numbers, "--tau0", "0"}, 2, "--tau0 takes"},
      {{"--analyze", numbers, "--dev", "adev,xdev"}, 2, "--dev takes"},
      {{"--analyze", numbers, "--taus", "weekly"}, 2, "--taus takes"},
      {{"--analyze", numbers, "--confidence", "90"}, 2, "--confidence takes"},
      {{"--analyze", numbers, "--headless", "--tau0", "1"}, 2, "unknown argument"},
      {{"--analyze"}, 2, "needs a value"},
      {{"--analyze", numbers, "--tau0", "1", "--export-phase", Folder.File("no/such/folder")}, 1, "cannot write"},
  };
  for (const Case& c : cases) {
    Run(c.Args, c.Status);
    EXPECT_NE(Errors.find(c.Said), std::string::npos) << Errors;
  }
}

// The formulas term by term, in long double, from the fractional frequencies themselves; a
// term counts only when every value it spans is present.
double ReferenceDeviation(const std::vector<double>& y, double tau0, TDeviationKind kind, std::size_t m) {
  const std::size_t n = y.size() + 1;  // phase points
  const auto sum = [&](std::size_t from, long double& s) {
    for (std::size_t k = from; k < from + m; ++k) {
      if (std::isnan(y[k])) return false;
      s += y[k];
    }
    return true;
  };
  // The d-th difference of phase at i, over windows of m: 2nd (-1, 1), 3rd (1, -2, 1) of sums.
  const auto term = [&](std::size_t i, bool hadamard, long double& t) {
    long double a = 0, b = 0, c = 0;
    if (!sum(i, a) || !sum(i + m, b) || (hadamard && !sum(i + 2 * m, c))) return false;
    t = tau0 * (hadamard ? c - 2 * b + a : b - a);
    return true;
  };
  const bool hadamard = IsHadamard(kind);
  const bool modified = kind == dvMdev || kind == dvTdev;
  const std::size_t stride = kind == dvAdev || kind == dvHdev ? m : 1;
  const std::size_t span = (hadamard ? 3 : 2) * m + (modified ? m - 1 : 0);
  long double squares = 0;
  std::size_t count = 0;
  for (std::size_t i = 0; i + span < n; i += stride) {
    long double t = 0, inner = 0;
    bool present = true;
    for (std::size_t j = i; j < i + (modified ? m : 1) && present; ++j) {
      present = term(j, hadamard, t);
      inner += t;
    }
    if (!present) continue;
    squares += inner * inner;
    ++count;
  }
  if (count == 0) return kNaN;
  const long double tau = m * tau0;
  const long double md = modified ? m : 1;
  const long double v = std::sqrt(squares / ((hadamard ? 6 : 2) * md * md * tau * tau * count));
  return static_cast<double>(kind == dvTdev ? tau * v / std::sqrt(3.0L) : v);
}

TEST(DeviationsTest, EveryTermThatExistsAndNoOtherMatchesTheFormulas) {
  // A 10 MHz oscillator 1e-7 off its nominal and drifting, with white noise of 1e-9, and gaps
  // of one and of several readings: every m, every kind.
  std::mt19937 random(3);
  std::normal_distribution<double> noise(0, 1e-9);
  std::vector<double> y(400);
  for (std::size_t i = 0; i < y.size(); ++i) y[i] = 1e-7 + 1e-12 * static_cast<double>(i) + noise(random);
  for (std::size_t i : {17u, 18u, 19u, 150u, 151u, 303u}) y[i] = kNaN;
  const TStabilityData data{dkFrequency, 0.5, y, {}};
  TDeviationCalculator calculator(data);
  for (const std::size_t m : AveragingFactors(tsAll, data.PhasePoints())) {
    const auto got = calculator.At(m, kAllDeviations);
    for (std::size_t k = 0; k < kDeviationKinds; ++k) {
      const double expected = ReferenceDeviation(y, 0.5, static_cast<TDeviationKind>(k), m);
      if (std::isnan(expected)) {
        EXPECT_EQ(got[k].Terms, 0u) << DeviationName(static_cast<TDeviationKind>(k)) << " m " << m;
        continue;
      }
      EXPECT_NEAR(got[k].Value, expected, expected * 1e-9) << DeviationName(static_cast<TDeviationKind>(k)) << " m " << m;
    }
  }
  // The same series as phase (no gaps there): the same figures.
  std::vector<double> whole(y);
  for (double& v : whole) v = std::isnan(v) ? 1e-7 : v;
  const TStabilityData frequency{dkFrequency, 0.5, whole, {}};
  const TStabilityData phase{dkPhase, 0.5, FrequencyToPhase(whole, 0.5), {}};
  TDeviationCalculator fromFrequency(frequency), fromPhase(phase);
  for (const std::size_t m : {1u, 7u, 64u}) {
    const auto a = fromFrequency.At(m, kAllDeviations), b = fromPhase.At(m, kAllDeviations);
    for (std::size_t k = 0; k < kDeviationKinds; ++k) EXPECT_NEAR(a[k].Value, b[k].Value, a[k].Value * 1e-6) << k;
  }
}

TEST(DeviationsTest, TheGridFindsLostReadingsButNotLateOnesNorATau0ALittleOff) {
  struct Case {
    const char* What;
    std::vector<double> Seconds;
    std::vector<std::size_t> Missing;  // where the grid has no reading
  };
  const Case cases[] = {
      {"steady", {0, 1, 2, 3, 4}, {}},
      {"one lost", {0, 1, 3, 4, 5}, {2}},
      {"two lost", {0, 1, 4, 5}, {2, 3}},
      {"one late", {0, 1, 2.7, 3, 4, 5}, {}},
      {"spacing 2 % longer than tau0", {0, 1.02, 2.04, 3.06, 4.08, 5.1, 6.12, 7.14, 8.16, 9.18, 10.2, 11.22}, {}},
  };
  for (const Case& c : cases) {
    TReadingSegment segment;
    for (const double t : c.Seconds) segment.push_back({t, 1e7 + t});
    TInputOptions options;
    options.Tau0S = 1.0;
    const TStabilityInput in = PrepareStabilityInput(std::span<const TReadingSegment>(&segment, 1), rmFrequency, options);
    std::vector<std::size_t> missing;
    for (std::size_t i = 0; i < in.Data.Values.size(); ++i)
      if (std::isnan(in.Data.Values[i])) missing.push_back(i);
    EXPECT_EQ(missing, c.Missing) << c.What;
    EXPECT_EQ(in.Data.Values.size(), c.Seconds.size() + c.Missing.size()) << c.What;
    EXPECT_EQ(in.Facts.Missing, c.Missing.size()) << c.What;
  }
}

TEST(DeviationsTest, AMillionReadingsFarFromTheirNominalLoseNoDigits) {
  // Parts-per-billion noise on 10 MHz: the deviations of y and of y + 1e-6 (the same readings
  // against a nominal 10 Hz off) agree to far better than the noise's own uncertainty.
  std::mt19937 random(5);
  std::normal_distribution<double> noise(0, 1e-9);
  TStabilityData near{dkFrequency, 1.0, std::vector<double>(1'000'000), {}};
  for (double& v : near.Values) v = noise(random);
  TStabilityData far = near;
  for (double& v : far.Values) v += 1e-6;
  TDeviationCalculator a(near), b(far);
  for (const std::size_t m : {1u, 64u, 4096u, 131072u}) {
    const auto x = a.At(m, kAllDeviations), z = b.At(m, kAllDeviations);
    for (std::size_t k = 0; k < kDeviationKinds; ++k) EXPECT_NEAR(x[k].Value, z[k].Value, x[k].Value * 1e-8) << k << " m " << m;
  }
}

}  // namespace
