// The run-time exceptions and conversions the component family relies on.
#pragma once

#include <exception>
#include <string>

class Exception : public std::exception {
 public:
  explicit Exception(std::string message, int helpContext = 0);
  const std::string& Message() const { return FMessage; }
  void SetMessage(std::string message) { FMessage = std::move(message); }
  int HelpContext() const { return FHelpContext; }
  const char* what() const noexcept override { return FMessage.c_str(); }

 private:
  std::string FMessage;
  int FHelpContext;
};

// Input/output error of the run-time library; ErrorCode is the positive error number.
class EInOutError : public Exception {
 public:
  EInOutError(std::string message, int errorCode);
  int ErrorCode;
};

class EOutOfMemory : public Exception {
 public:
  EOutOfMemory();  // "Out of memory"
};

class EConvertError : public Exception {
 public:
  using Exception::Exception;
};

// Decimal text to integer; anything else (empty text, sign only, trailing characters,
// out of 32-bit range) raises EConvertError "'<text>' is not a valid integer value".
int StrToInt(const std::string& text);

// The message of any exception: Exception::Message(), else what().
std::string ExceptionMessage(const std::exception& e);
