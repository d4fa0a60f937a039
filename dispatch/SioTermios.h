// The device settings record mapped to termios and back.
//
// The mapping is a pure function of its inputs so that it can be checked for every data
// size, parity, stop-bit and flow setting without a device (a pseudo-terminal rewrites the
// data size and parity it is given).  Only the POSIX device layer includes this header.
#pragma once

#include <termios.h>

#include <cstdint>

#include "dispatch/SioTypes.h"

class TSioSysCalls;

// The speed constant of a standard rate (B9600 for 9600), or B0 when the rate has none.
speed_t StandardSpeedOf(std::uint32_t rate);
// The rate of a speed constant, or 0 for B0 and unknown constants.
std::uint32_t RateOfSpeed(speed_t speed);

// Puts the record's line settings into `tio`, which holds the device's current settings:
// raw mode (no echo, no line editing, no signals, no character translation, reads return
// at once), the rate, CS5..CS8, PARENB / PARODD / CMSPAR with INPCK, CSTOPB, CRTSCTS (CTS
// output flow or RTS handshake), IXON (XON/XOFF on output) and IXOFF (on input) with VSTART
// and VSTOP.  DSR flow and DTR handshake have no termios counterpart and are kept only in
// the record.  A rate without a speed constant sets B38400 in `tio` and returns the rate in
// `customRate` (0 otherwise), to be applied with SetCustomRate after tcsetattr.
// Returns 0, or ERROR_INVALID_PARAMETER for a rate of 0, a data size outside 5..8, a parity
// above 4 or a stop setting above 2 (`tio` then unchanged).
int SettingsToTermios(const TDeviceSettings& settings, termios& tio, std::uint32_t& customRate);

// Raw mode alone (no XON/XOFF either), applied when the device is opened so that nothing
// the peer sends before the first settings write is echoed, translated or taken as flow
// control.
void MakeRawTermios(termios& tio);

// Reads the line settings of `tio` into `settings` (the other fields are left as they are).
// `customRate`, when not 0, is the rate of a device set to a custom rate.
void TermiosToSettings(const termios& tio, std::uint32_t customRate, TDeviceSettings& settings);

// Sets / reads a rate that has no speed constant (Linux termios2).  0 or -1 with errno.
int SetCustomRate(TSioSysCalls& calls, int fd, std::uint32_t rate);
// The device's custom output rate, or 0 when it uses a speed constant or cannot say.
std::uint32_t ReadCustomRate(TSioSysCalls& calls, int fd);
