// Single-threaded platform services: components, conversions, error numbers, resources, clocks.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

#include "platform/Clock.h"
#include "platform/Component.h"
#include "platform/Resources.h"
#include "platform/SysErrors.h"
#include "platform/SysUtils.h"

namespace {

// Records its own life and loading events in a shared journal.
class TJournalled : public TComponent {
 public:
  TJournalled(TComponent* owner, std::string name, std::vector<std::string>& journal)
      : TComponent(owner), Journal(journal) {
    SetName(std::move(name));
  }
  ~TJournalled() override { Journal.push_back("~" + Name()); }
  void Loaded() override {
    Journal.push_back("Loaded " + Name() + (IsLoading() ? " while loading" : ""));
    TComponent::Loaded();
  }
  std::string ClassName() const override { return "TJournalled"; }

 private:
  std::vector<std::string>& Journal;
};

TEST(Component, OwnerDestroysWhatItOwnsNewestFirst) {
  std::vector<std::string> journal;
  auto* form = new TJournalled(nullptr, "form", journal);
  new TJournalled(form, "a", journal);
  auto* b = new TJournalled(form, "b", journal);
  new TJournalled(b, "b1", journal);
  new TJournalled(form, "c", journal);
  ASSERT_EQ(form->ComponentCount(), 3);
  delete form;
  EXPECT_EQ(journal, (std::vector<std::string>{"~form", "~c", "~b", "~b1", "~a"}));
}

TEST(Component, OwnedComponentDestroyedAloneLeavesItsOwner) {
  std::vector<std::string> journal;
  TJournalled form(nullptr, "form", journal);
  auto* a = new TJournalled(&form, "a", journal);
  auto* b = new TJournalled(&form, "b", journal);
  delete a;
  ASSERT_EQ(form.ComponentCount(), 1);
  EXPECT_EQ(form.Components(0), b);
  EXPECT_EQ(b->Owner(), &form);
}

TEST(Component, LoadingRunsLoadedForOwnedInOrderThenRoot) {
  std::vector<std::string> journal;
  TJournalled form(nullptr, "form", journal);
  auto* a = new TJournalled(&form, "a", journal);
  auto* b = new TJournalled(&form, "b", journal);
  bool allLoadingWhileReading = false;
  TComponent::LoadFromDescription(form, [&] {
    allLoadingWhileReading = form.IsLoading() && a->IsLoading() && b->IsLoading();
    journal.push_back("read");
  });
  EXPECT_TRUE(allLoadingWhileReading);
  EXPECT_EQ(journal, (std::vector<std::string>{"read", "Loaded a while loading", "Loaded b while loading",
                                               "Loaded form while loading"}));
  EXPECT_FALSE(form.IsLoading() || a->IsLoading() || b->IsLoading());
}

TEST(Component, FailedLoadingClearsTheStateWithoutLoaded) {
  std::vector<std::string> journal;
  TJournalled form(nullptr, "form", journal);
  auto* a = new TJournalled(&form, "a", journal);
  EXPECT_THROW(TComponent::LoadFromDescription(form, [] { throw EConvertError("bad property"); }),
               EConvertError);
  EXPECT_TRUE(journal.empty());
  EXPECT_FALSE(form.IsLoading() || a->IsLoading());
}

TEST(Component, DesigningReachesOwnedComponents) {
  TComponent form(nullptr);
  auto* a = new TComponent(&form);
  form.SetDesigning(true);
  EXPECT_TRUE(a->IsDesigning());
  EXPECT_EQ(form.ComponentState(), csDesigning);
  form.SetDesigning(false);
  EXPECT_FALSE(a->IsDesigning());
}

TEST(Component, BaseAssignRefusesWithBothClassNames) {
  std::vector<std::string> journal;
  TJournalled target(nullptr, "t", journal);
  TComponent source(nullptr);
  try {
    target.Assign(&source);
    FAIL() << "Assign accepted a plain component";
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), "Cannot assign a TComponent to a TJournalled");
  }
  try {
    target.Assign(nullptr);
    FAIL() << "Assign accepted nothing";
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), "Cannot assign a nil to a TJournalled");
  }
}

TEST(StrToInt, AcceptsDecimalIn32Bits) {
  const struct {
    const char* Text;
    int Value;
  } cases[] = {{"0", 0}, {"-0", 0}, {"+7", 7}, {"007", 7}, {"2147483647", 2147483647},
               {"-2147483648", -2147483647 - 1}, {"-15", -15}};
  for (const auto& c : cases) EXPECT_EQ(StrToInt(c.Text), c.Value) << c.Text;
}

TEST(StrToInt, RefusesEverythingElseNamingTheText) {
  const char* cases[] = {"",           "-",           "+",   "2147483648", "-2147483649",
                         "12a",        " 1",          "1 ",  "0x10",       "99999999999999999999999",
                         "--1",        "1-"};
  for (const char* text : cases) {
    try {
      StrToInt(text);
      ADD_FAILURE() << "accepted '" << text << "'";
    } catch (const EConvertError& e) {
      EXPECT_EQ(e.Message(), "'" + std::string(text) + "' is not a valid integer value");
    }
  }
}

TEST(SystemErrors, ErrnoMapsToTheOriginalNumbers) {
  const struct {
    int Errno;
    int Code;
  } cases[] = {{0, 0},           {ENOENT, 2},  {ENODEV, 2},  {ENXIO, 2},   {ENOTDIR, 3},
               {EBUSY, 5},       {EWOULDBLOCK, 5}, {EBADF, 6}, {ENOMEM, 8},  {EIO, 31},
               {EINVAL, 87},     {ENOTTY, kErrnoBase + ENOTTY},    {EMFILE, kErrnoBase + EMFILE},
               // A device the user may not open is not one that is in use.
               {EACCES, kErrnoBase + EACCES}, {EPERM, kErrnoBase + EPERM}};
  for (const auto& c : cases) EXPECT_EQ(SystemErrorFromErrno(c.Errno), c.Code) << "errno " << c.Errno;
  for (const auto& c : cases)
    EXPECT_EQ(IsPermissionDenied(c.Code), c.Errno == EACCES || c.Errno == EPERM) << "errno " << c.Errno;
}

TEST(SystemErrors, TextsEndLikeSystemMessages) {
  EXPECT_EQ(SystemErrorText(5), "Access is denied.\r\n");
  EXPECT_EQ(SystemErrorText(2), "The system cannot find the file specified.\r\n");
  EXPECT_EQ(SystemErrorText(87), "The parameter is incorrect.\r\n");
  EXPECT_EQ(SystemErrorText(31), "A device attached to the system is not functioning.\r\n");
  EXPECT_EQ(SystemErrorText(kErrnoBase + ENOTTY), std::string(std::strerror(ENOTTY)) + "\r\n");
  EXPECT_EQ(SystemErrorText(1234), "");
  EXPECT_EQ(SystemErrorText(kErrnoBase + 4000), "");
  EXPECT_EQ(SystemErrorText(-5), "");
}

const std::uint8_t kAlpha[] = {1, 2, 3};
const std::uint8_t kAlphabet[] = {9};
const TNamedResource kTable[] = {{"ALPHA", kAlpha, sizeof kAlpha}, {"ALPHABET", kAlphabet, sizeof kAlphabet}};

TEST(Resources, FoundByExactName) {
  RegisterNamedResources(kTable);
  RegisterNamedResources(kTable);
  const auto alpha = FindNamedResource("ALPHA");
  ASSERT_TRUE(alpha.has_value());
  EXPECT_EQ(alpha->data(), kAlpha);
  EXPECT_EQ(alpha->size(), 3u);
  EXPECT_EQ(FindNamedResource("ALPHABET")->size(), 1u);
  EXPECT_FALSE(FindNamedResource("ALPH").has_value());
  EXPECT_FALSE(FindNamedResource("alpha").has_value());
}

TEST(Clock, CounterInNanosecondsAndMillisecondTimerAgree) {
  std::int64_t frequency = 0;
  ASSERT_TRUE(QueryPerformanceFrequency(frequency));
  EXPECT_EQ(frequency, 1000000000);
  const std::int64_t before = QueryPerformanceCounter();
  const std::uint32_t ms = SystemMsTimer();
  const std::int64_t after = QueryPerformanceCounter();
  EXPECT_LE(before, after);
  // Differences modulo 2^32, so the check holds across the timer's wrap as well.
  const auto first = static_cast<std::uint32_t>(before / 1000000);
  const auto last = static_cast<std::uint32_t>(after / 1000000);
  EXPECT_LE(static_cast<std::uint32_t>(ms - first), static_cast<std::uint32_t>(last - first));
}

}  // namespace
