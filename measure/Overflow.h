// Whether a reading overflowed the display.
//
// The counter shows the low eight digits of its count: at averaging 10^4 ms a 10 MHz signal
// counts 100000000 and shows "0000.0000" kHz.  Only what was measured before tells: the last
// trusted measurement of the same mode, at the reading's resolution, says how many digits the
// count needs.  The reading overflowed when that count needs more than eight digits (the last
// value is at least the eight digits' span, 10^8 steps of the reading's last digit) and the
// reading lies more than half a span from the last value, which a reading that kept its
// leading digits never does.  So 9999.9999 kHz after 10000.000 kHz is genuine, and
// 0000.0006 kHz after it is not.
//
// Its limit: a signal that really moved by half a span or more since the last trusted value,
// while the count needs more than eight digits, reads as an overflow until a shorter averaging
// time gives a trusted value again.  Plain function: any thread.
#pragma once

#include "measure/Measurement.h"

bool Overflowed(const TMeasurement& reading, const TMeasurement& lastTrusted);
