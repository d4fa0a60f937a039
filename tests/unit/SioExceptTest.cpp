#include <gtest/gtest.h>

#include <typeindex>

#include "platform/SysErrors.h"
#include "common/SioExcept.h"

namespace {

struct TClassCase {
  int Code;
  std::type_index Class;
  const char* Message;
  int ErrorCode;
};

TEST(CheckErrorCode, RaisesTheClassListedForACode) {
  const TClassCase cases[] = {
      {-1002, typeid(EBadArgument), "Bad argument passed to function", -1002},
      {-1006, typeid(EInternal), "Internal error creating window class", -1006},
      {-7012, typeid(EInternal), "", -7012},
      {-2001, typeid(EBadId), "ie_BadId - Specified comport doesn't exist", -2001},
      {-2007, typeid(ECommNotOpen), "ie_NOpen - device not open", -2007},
      {-2011, typeid(ENoPortSelected), "The ComNumber property of the TSioComPort has not been set",
       -2011},
      {-3004, typeid(EPutBlockFail), "Failed to put entire block", -3004},
      {-3006, typeid(EOutputBufferTooSmall), "Output buffer too small for block", -3006},
      {-3007, typeid(EBufferIsEmpty), "Buffer is empty", -3007},
      {-5003, typeid(EBadTriggerHandle), "Bad trigger handle", -5003},
      {-6008, typeid(EProtocol), "", -6008},
      {-8070, typeid(EFaxPageError), "", -8070},
      {-13801, typeid(ETapiAllocated), "", -13801},
      {-13942, typeid(ETapiTranslateFail), "", -13942},
      {-13980, typeid(ERasLoadFail), "", -13980},
      // Codes without a class of their own, the table's texts notwithstanding.
      {-1001, typeid(ESioException), "Sio exception", 0},
      {-3002, typeid(ESioException), "Sio exception", 0},
      {-5001, typeid(ESioException), "Sio exception", 0},
      {-6001, typeid(ESioException), "Sio exception", 0},
      {-1, typeid(ESioException), "Sio exception", 0},
      {-163, typeid(ESioException), "Sio exception", 0},
      {-13804, typeid(ESioException), "Sio exception", 0},
      {-2147483647 - 1, typeid(ESioException), "Sio exception", 0},
  };
  for (const auto& c : cases) {
    try {
      CheckErrorCode(nullptr, c.Code);
      ADD_FAILURE() << c.Code << " raised nothing";
    } catch (const ESioException& e) {
      EXPECT_EQ(std::type_index(typeid(e)), c.Class) << c.Code;
      EXPECT_EQ(e.Message(), c.Message) << c.Code;
      EXPECT_EQ(e.ErrorCode, c.ErrorCode) << c.Code;
    }
  }
}

struct TRunTimeCase {
  int Code;
  const char* Message;
};

TEST(CheckErrorCode, RunTimeFamilyRaisesInOutErrors) {
  const TRunTimeCase cases[] = {
      {-2, "File not found"},
      {-5, "File access denied"},
      {-6, "Invalid file handle"},
      {-100, "Attempt to read beyond end of file"},
      {-162, "General failure"},
  };
  for (const auto& c : cases) {
    try {
      CheckErrorCode(nullptr, c.Code);
      ADD_FAILURE() << c.Code << " raised nothing";
    } catch (const EInOutError& e) {
      EXPECT_EQ(e.Message(), c.Message) << c.Code;
      EXPECT_EQ(e.ErrorCode, -c.Code) << c.Code;
    }
  }
  EXPECT_THROW(CheckErrorCode(nullptr, -8), EOutOfMemory);
}

// The system's texts end in a line break; the message keeps one blank in its place.
TEST(CheckErrorCode, CodeWithoutTableTextTakesTheCleanedSystemText) {
  const std::string system = SystemErrorText(87);
  ASSERT_GE(system.size(), 3u);
  ASSERT_EQ(system.substr(system.size() - 2), "\r\n");
  try {
    CheckErrorCode(nullptr, -87);
    FAIL() << "no exception";
  } catch (const EInOutError& e) {
    EXPECT_EQ(e.Message(), system.substr(0, system.size() - 2) + " ");
    EXPECT_EQ(e.ErrorCode, 87);
  }
}

class TLoadingComponent : public TComponent {
 public:
  TLoadingComponent() : TComponent(nullptr) {}
};

TEST(CheckErrorCode, ReturnsCodesThatRaiseNothing) {
  for (const int code : {0, 1, 5, 2007, 100000}) EXPECT_EQ(CheckErrorCode(nullptr, code), code);

  TLoadingComponent component;
  TComponent::LoadFromDescription(component, [&] {
    for (const int code : {-1, -8, -87, -1001, -2007, -3004, -13980}) {
      EXPECT_EQ(CheckErrorCode(&component, code), code);
    }
  });
  EXPECT_THROW(CheckErrorCode(&component, -3004), EPutBlockFail);
}

struct TTextCase {
  int Code;
  const char* Text;
};

TEST(ErrorText, AbsoluteValueOfTheCodeAs16BitsSelectsTheText) {
  const TTextCase cases[] = {
      {-2007, "ie_NOpen - device not open"},
      {2007, "ie_NOpen - device not open"},
      {0, "OK"},
      {-15742, "Character Set"},
      {-3007, "Buffer is empty"},
      {65536 - 2007, "ie_NOpen - device not open"},  // 16-bit -2007
      {-65536 - 2007, "ie_NOpen - device not open"},
      {131072 + 2, "File not found"},
      {-7012, ""},
  };
  for (const auto& c : cases) EXPECT_EQ(ErrorText(c.Code), c.Text) << c.Code;
}

}  // namespace
