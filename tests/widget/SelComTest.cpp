#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QFontMetrics>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <functional>
#include <set>
#include <string>
#include <vector>

#include "dispatch/SioDispatch.h"
#include "platform/Application.h"
#include "platform/SysUtils.h"
#include "common/SioExcept.h"
#include "port/SioPort.h"
#include "port/SioProbe.h"
#include "port/SioSelComForm.h"
#include "pty/PtyPortFolder.h"

namespace {

using TAction = std::function<void(TComSelectForm&)>;

// Once a port selection dialog runs modally, applies `act` to it.  A dialog that is still
// up 5 s later is ended with mrNone, so a test that fails cannot hang.
void WhenDialogShows(TAction act) {
  auto* poll = new QTimer(qApp);
  auto* deadline = new QTimer(poll);
  deadline->setSingleShot(true);
  QObject::connect(deadline, &QTimer::timeout, poll, [poll] { poll->deleteLater(); });
  QObject::connect(poll, &QTimer::timeout, poll, [poll, act] {
    auto* form = qobject_cast<TComSelectForm*>(QApplication::activeModalWidget());
    if (form == nullptr || !form->isVisible()) return;
    poll->stop();
    poll->deleteLater();
    act(*form);
    QTimer::singleShot(5000, qApp, [guard = QPointer<TComSelectForm>(form)] {
      if (guard && guard->isVisible()) guard->done(mrNone);
    });
  });
  deadline->start(5000);
  poll->start(10);
}

TComSelectForm::TPortProbe PortsPresent(std::set<unsigned> present) {
  return [present](unsigned n) { return present.count(n) != 0; };
}

std::vector<std::string> Items(const QComboBox& box) {
  std::vector<std::string> items;
  for (int i = 0; i < box.count(); ++i) items.push_back(box.itemText(i).toStdString());
  return items;
}

int LiveSelectForms() {
  int count = 0;
  for (QWidget* w : QApplication::topLevelWidgets()) count += qobject_cast<TComSelectForm*>(w) != nullptr;
  return count;
}

// Records what the standard exception display would show.
class SelComTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Application().SetExceptionDisplay([this](const std::string& message) { shown.push_back(message); });
  }
  void TearDown() override {
    Application().SetExceptionDisplay(nullptr);
    Application().SetDialogFactory(nullptr);
    CountBusyPortsAsPresent = true;
  }

  std::vector<std::string> shown;
};

// Ports 1 and 3 present, 2 held by another program, 51 present but beyond the list.
class SelComListTest : public SelComTest, public ::testing::WithParamInterface<bool> {
 protected:
  void SetUp() override {
    SelComTest::SetUp();
    for (const unsigned n : {1u, 2u, 3u, 51u}) ports.AddPort(n);
    ports.HoldPort(2);
  }
  TPtyPortFolder ports;
};

TEST_P(SelComListTest, ListsThePresentPortsUpTo50WithTheFirstSelected) {
  CountBusyPortsAsPresent = GetParam();
  TComSelectForm form;
  const std::vector<std::string> expected =
      GetParam() ? std::vector<std::string>{"COM1", "COM2", "COM3"} : std::vector<std::string>{"COM1", "COM3"};
  EXPECT_EQ(Items(*form.PortsComboBox), expected);
  EXPECT_EQ(form.PortsComboBox->currentIndex(), 0);
  EXPECT_TRUE(shown.empty());
}

INSTANTIATE_TEST_SUITE_P(BusyPorts, SelComListTest, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "Counted" : "Ignored"; });

TEST_F(SelComTest, AProbeErrorIsShownAndLeavesThePortsFoundSoFarUnselected) {
  TComSelectForm form(nullptr, [](unsigned n) {
    if (n == 3) throw Exception("Cannot probe COM3");
    return true;
  });
  EXPECT_EQ(Items(*form.PortsComboBox), (std::vector<std::string>{"COM1", "COM2"}));
  EXPECT_EQ(form.PortsComboBox->currentIndex(), -1);
  EXPECT_EQ(shown, std::vector<std::string>{"Cannot probe COM3"});
}

struct TModalCase {
  const char* name;
  TAction act;
  int result;
};

TEST_F(SelComTest, ButtonsKeysAndTheFrameGiveTheirModalResults) {
  const TModalCase cases[] = {
      {"OK button", [](TComSelectForm& f) { f.OkBtn->click(); }, mrOk},
      {"Enter in the list", [](TComSelectForm& f) { QTest::keyClick(f.PortsComboBox, Qt::Key_Return); }, mrOk},
      {"Cancel button", [](TComSelectForm& f) { f.AbortBtn->click(); }, mrAbort},
      {"frame close", [](TComSelectForm& f) { f.close(); }, mrCancel},
      {"Escape, then Cancel",
       [](TComSelectForm& f) {
         QTest::keyClick(f.PortsComboBox, Qt::Key_Escape);
         QTest::keyClick(&f, Qt::Key_Escape);
         if (f.isVisible()) f.AbortBtn->click();
       },
       mrAbort},
  };
  for (const TModalCase& c : cases) {
    SCOPED_TRACE(c.name);
    TComSelectForm form(nullptr, PortsPresent({1, 3}));
    WhenDialogShows(c.act);
    EXPECT_EQ(form.ShowModal(), c.result);
  }
}

TEST_F(SelComTest, LabelTextsAreNotCutOff) {
  TComSelectForm form(nullptr, PortsPresent({}));
  for (const QLabel* label : {form.Label1, form.Label2}) {
    EXPECT_LE(label->fontMetrics().horizontalAdvance(label->text()), label->width()) << label->text().toStdString();
    EXPECT_TRUE(form.Bevel1->geometry().contains(label->geometry())) << label->text().toStdString();
  }
}

TEST_F(SelComTest, ChosenPortNumberReadsTheNumberAfterCom) {
  TComSelectForm form(nullptr, PortsPresent({3, 12}));
  for (const auto& [item, number] : {std::pair{"COM3", 3}, std::pair{"COM12", 12}}) {
    form.PortsComboBox->setCurrentIndex(form.PortsComboBox->findText(item));
    EXPECT_EQ(form.ChosenPortNumber(), number) << item;
  }
}

// A port asked to open with ComNumber 0 shows the dialog made by the installed factory.
class SelComPortTest : public SelComTest {
 protected:
  void SetUp() override {
    SelComTest::SetUp();
    RegisterComSelectDialog();
    port.SetComNumber(0);
    port.SetPromptForPort(true);
  }
  void TearDown() override {
    port.SetOpen(false);
    EXPECT_EQ(LiveSelectForms(), 0) << "the dialog was not freed";
    SelComTest::TearDown();
  }

  TPtyPortFolder ports;
  TSioComPort port{nullptr};
};

TEST_F(SelComPortTest, ChoosingCom3AndOkOpensPort3) {
  for (const unsigned n : {1u, 3u}) ports.AddPort(n);
  WhenDialogShows([](TComSelectForm& f) {
    f.PortsComboBox->setCurrentIndex(f.PortsComboBox->findText("COM3"));
    f.OkBtn->click();
  });
  port.SetOpen(true);
  EXPECT_EQ(port.ComNumber(), 3);
  EXPECT_TRUE(port.Open());
}

TEST_F(SelComPortTest, CancelOrFrameCloseLeavesNoPortSelected) {
  ports.AddPort(1);
  const int dispatchers = DispatcherRegistryCount();
  for (const TAction& act : {TAction([](TComSelectForm& f) { f.AbortBtn->click(); }),
                             TAction([](TComSelectForm& f) { f.close(); })}) {
    WhenDialogShows(act);
    try {
      port.SetOpen(true);
      ADD_FAILURE() << "opened";
    } catch (const ENoPortSelected& e) {
      EXPECT_EQ(e.Message(), "The ComNumber property of the TSioComPort has not been set");
    }
    EXPECT_EQ(port.ComNumber(), 0);
    EXPECT_FALSE(port.Open());
    EXPECT_EQ(DispatcherRegistryCount(), dispatchers);
    EXPECT_EQ(LiveSelectForms(), 0);
  }
}

TEST_F(SelComPortTest, OkOnAnEmptyListRaisesTheConversionErrorAndKeepsComNumber) {
  WhenDialogShows([](TComSelectForm& f) { f.OkBtn->click(); });
  try {
    port.SetOpen(true);
    ADD_FAILURE() << "opened";
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), "'' is not a valid integer value");
  }
  EXPECT_EQ(port.ComNumber(), 0);
  EXPECT_FALSE(port.Open());
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
