// The port's settings: flow-control levels, the RS-485 and CTS interplay, the trace and log
// states and sizes, and Assign.
#include <cstdio>
#include <fstream>

#include "PortTestSupport.h"
#include "common/SioExcept.h"
#include "port/SioPort.h"

namespace {

using PortSettings = TPortFixture<TSioComPort>;

TEST_F(PortSettings, FlowControlTakesBufferLevelsFromInSize) {
  struct TCase {
    std::uint16_t InSize;
    bool Hardware;
    std::uint16_t Full, Resume;
  };
  for (const TCase& t : {TCase{4096, true, 3686, 409}, TCase{4096, false, 3072, 1024}, TCase{4, true, 3, 0},
                         TCase{4, false, 3, 1}}) {
    SCOPED_TRACE(t.InSize * 2 + t.Hardware);
    TSioComPort port(nullptr);
    port.SetInSize(t.InSize);
    if (t.Hardware) {
      port.SetHWFlowOptions({hwfRequireCTS});
    } else {
      port.SetSWFlowOptions(swfBoth);
    }
    EXPECT_EQ(port.BufferFull(), t.Full);
    EXPECT_EQ(port.BufferResume(), t.Resume);
  }
}

TEST_F(PortSettings, BufferFullAboveInSizeIsCutAndRejectedByAnOpenLine) {
  Port->SetBufferFull(100);
  EXPECT_EQ(Port->BufferFull(), 90);
  Port->SetBufferFull(0);
  Port->SetOpen(true);
  EXPECT_THROW(Port->SetBufferFull(100), EBadArgument);
  EXPECT_EQ(Port->BufferFull(), 90);  // a failed setter keeps the new value
  EXPECT_FALSE(Port->ForceApply());
}

TEST_F(PortSettings, Rs485AndRtsCtsHandshakeExcludeEachOther) {
  Port->SetHWFlowOptions({hwfUseDTR, hwfUseRTS, hwfRequireDSR, hwfRequireCTS});
  Port->SetRS485Mode(true);
  EXPECT_EQ(Port->HWFlowOptions(), (THWFlowOptionSet{hwfUseDTR, hwfRequireDSR}));
  EXPECT_FALSE(Port->RTS());
  Port->SetHWFlowOptions({hwfUseDTR});
  EXPECT_TRUE(Port->RS485Mode());
  for (const THWFlowOptions o : {hwfRequireCTS, hwfUseRTS}) {
    Port->SetRS485Mode(true);
    Port->SetHWFlowOptions({o});
    EXPECT_FALSE(Port->RS485Mode());
  }
  Port->SetUseMSRShadow(false);
  EXPECT_TRUE(Port->UseMSRShadow());
}

TEST_F(PortSettings, SizesAreClamped) {
  Port->SetTraceSize(5000000);
  Port->SetLogSize(20000000);
  EXPECT_EQ(Port->TraceSize(), 4000000u);
  EXPECT_EQ(Port->LogSize(), 16000000u);
}

TEST_F(PortSettings, ClosedPortKeepsOnlyOnOrOff) {
  struct TCase {
    TTraceLogState From, To, Stored;
  };
  for (const TCase& t : {TCase{tlOff, tlPause, tlOff}, TCase{tlOff, tlDump, tlOff}, TCase{tlOff, tlOn, tlOn},
                         TCase{tlOn, tlAppend, tlOff}, TCase{tlOn, tlClear, tlOff}}) {
    SCOPED_TRACE(t.From * 10 + t.To);
    for (const bool log : {false, true}) {
      TSioComPort port(nullptr);
      log ? port.SetLogging(t.From) : port.SetTracing(t.From);
      log ? port.SetLogging(t.To) : port.SetTracing(t.To);
      EXPECT_EQ(log ? port.Logging() : port.Tracing(), t.Stored);
    }
  }
}

TEST_F(PortSettings, OpenPortRunsTheTraceStateMachine) {
  const std::string file = testing::TempDir() + "port_settings.trc";
  std::remove(file.c_str());
  Port->SetTraceName(file);
  Port->SetTracing(tlOn);
  Port->SetOpen(true);
  EXPECT_EQ(Port->Tracing(), tlOn);
  Port->SetTracing(tlPause);
  EXPECT_EQ(Port->Tracing(), tlPause);
  Port->SetTraceSize(100);  // a paused trace ends
  EXPECT_EQ(Port->Tracing(), tlOff);
  Port->SetTracing(tlOn);
  Port->SetTraceSize(200);  // a running one restarts
  EXPECT_EQ(Port->Tracing(), tlOn);
  Port->SetTracing(tlClear);
  EXPECT_EQ(Port->Tracing(), tlOn);
  Port->PutBlock("ab", 2);
  Port->SetTracing(tlDump);
  EXPECT_EQ(Port->Tracing(), tlOff);
  EXPECT_TRUE(std::ifstream(file).good());
  std::remove(file.c_str());
  // A dump that cannot be written raises, and the property reads that the trace is gone.
  Port->SetTraceName(testing::TempDir() + "no-such-folder/x.trc");
  Port->SetTracing(tlOn);
  Port->PutBlock("b", 1);
  EXPECT_ANY_THROW(Port->SetTracing(tlDump));
  EXPECT_EQ(Port->Tracing(), tlOff);
  Port->SetTracing(tlOn);
  EXPECT_EQ(Port->Tracing(), tlOn);
  Port->SetTracing(tlOff);
  // A log that cannot be written out does not stop the close; the failure comes after it.
  Port->SetLogName(testing::TempDir() + "no-such-folder/x.log");
  Port->SetLogging(tlOn);
  Port->PutBlock("c", 1);
  EXPECT_ANY_THROW(Port->SetOpen(false));
  EXPECT_EQ(Port->PortState(), psClosed);
}

TEST_F(PortSettings, AssignCopiesTheListedConfigurationOnly) {
  TSioComPort source(nullptr);
  int opened = 0;
  int triggers = 0;
  source.SetComNumber(7);
  source.SetBaud(1200);
  source.SetParity(pEven);
  source.SetDataBits(7);
  source.SetInSize(64);
  source.SetHWFlowOptions({hwfRequireCTS});
  source.SetXOnChar('a');
  source.SetTraceName("t.trc");
  source.SetLogSize(77);
  source.SetAvailTriggerLength(5);
  source.SetTapiMode(tmOff);
  source.SetOnPortOpened([&](TComponent*) { ++opened; });
  source.SetOnTrigger([&](TComponent*, std::uint16_t, std::uint16_t, std::uint16_t) { ++triggers; });
  source.SetUseEventWord(false);
  source.SetCommNotificationLevel(3);
  source.SetTapiDeviceHandle(9);
  source.AddPortListener(&opened, [](TComponent*, bool) {});

  Port->Assign(&source);
  EXPECT_EQ(Port->ComNumber(), 7);
  EXPECT_EQ(Port->Baud(), 1200);
  EXPECT_EQ(Port->Parity(), pEven);
  EXPECT_EQ(Port->DataBits(), 7);
  EXPECT_EQ(Port->InSize(), 64);
  EXPECT_EQ(Port->HWFlowOptions(), THWFlowOptionSet{hwfRequireCTS});
  EXPECT_EQ(Port->BufferFull(), source.BufferFull());
  EXPECT_EQ(Port->XOnChar(), 'a');
  EXPECT_EQ(Port->TraceName(), "t.trc");
  EXPECT_EQ(Port->LogSize(), 77u);
  EXPECT_EQ(Port->AvailTriggerLength(), 5);
  EXPECT_EQ(Port->TapiMode(), tmOff);
  EXPECT_EQ(Port->PortListenerCount(), 1);
  EXPECT_TRUE(static_cast<bool>(Port->OnTrigger()));
  EXPECT_FALSE(Port->SavedTriggersValid());
  EXPECT_TRUE(Port->UseEventWord());
  EXPECT_EQ(Port->CommNotificationLevel(), 10);
  EXPECT_EQ(Port->TapiDeviceHandle(), 0);
  EXPECT_FALSE(Port->Open());

  // Anything but a port changes nothing and raises nothing.
  TComponent other(nullptr);
  Port->Assign(&other);
  EXPECT_EQ(Port->ComNumber(), 7);

  // An open source hands over its triggers.
  TSioComPort openSource(nullptr);
  openSource.SetComNumber(2);
  openSource.SetAvailTriggerLength(5);
  openSource.SetOpen(true);
  Port->Assign(&openSource);
  EXPECT_TRUE(Port->SavedTriggersValid());
  EXPECT_EQ(Port->SavedTriggers().AvailThreshold, 5u);
  EXPECT_FALSE(Port->Open());
}

}  // namespace
