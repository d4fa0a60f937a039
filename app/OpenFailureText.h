// A failed open in plain words: one sentence that says what failed, on which path, and what to
// do, for the window's box and strip and the logger's standard error alike.
//
// The sentence comes first; the port's own text for the failure (the message table's, such as
// "ie_BadId - Specified comport doesn't exist") follows in brackets where the component raised
// one of its own codes, so the two can be told apart and the code still be looked up.  What to
// do names the window's means (Port…) or the logger's (--port N=PATH).  No Qt.
#pragma once

#include <cstdint>
#include <string>

#include "app/Words.h"
#include "port/SioOpenFailure.h"

class TSioCustomComPort;

enum TAudience : std::uint8_t { auWindow, auLog };

std::string OpenFailureText(const TOpenFailure& failure, unsigned comNumber, TAudience audience,
                            const TWords& words = {});

// `message`, raised by `port` or another part, as the program shows it: the port's last open
// failure in the words above, anything else as it is.
std::string PlainMessage(const std::string& message, const TSioCustomComPort& port, TAudience audience,
                         const TWords& words = {});
