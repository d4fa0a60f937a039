// The error codes of the serial component.  Every operation of the port and the dispatcher
// reports failure as a negative code; 0 is success and a positive value a count.  The
// absolute value is the id of the code's message in the message table.
#pragma once

enum TSioErrorCode : int {
  ecOK = 0,
  // general
  ecBadHandle = -1001,
  ecBadArgument = -1002,
  ecGotQuitMsg = -1003,
  ecBufferTooBig = -1004,
  ecPortNotAssigned = -1005,
  ecInternal = -1006,
  // opening a port
  ecBadId = -2001,
  ecBaudRate = -2002,
  ecByteSize = -2003,
  ecDefault = -2004,
  ecHardware = -2005,
  ecMemory = -2006,
  ecCommNotOpen = -2007,
  ecAlreadyOpen = -2008,
  ecNoHandles = -2009,
  ecNoTimers = -2010,
  ecNoPortSelected = -2011,
  ecNotOpenedByTapi = -2012,
  // serial input and output
  ecNullApi = -3001,
  ecNotSupported = -3002,
  ecRegisterHandlerFailed = -3003,
  ecPutBlockFail = -3004,
  ecGetBlockFail = -3005,
  ecOutputBufferTooSmall = -3006,
  ecBufferIsEmpty = -3007,
  ecTracingNotEnabled = -3008,
  ecLoggingNotEnabled = -3009,
  ecBaseAddressNotSet = -3010,
  // triggers
  ecNoMoreTriggers = -5001,
  ecTriggerTooLong = -5002,
  ecBadTriggerHandle = -5003,
  // run-time family used by the dispatcher
  ecOutOfMemory = -8,
};
