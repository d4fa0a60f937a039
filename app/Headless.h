// The headless logger as a program: `frontpanel --headless ...` (see app/CommandLine.h).
//
// Needs no display and creates no window-system object: the main thread pumps the platform's
// message queue itself, waiting in it without spinning until a trigger, a wake-up or the next
// deadline (with --mqtt, a second at most, to say what publishing has to say).  SIGINT,
// SIGTERM and SIGHUP end the run cleanly (every row already written stays, the summary and
// the MQTT "offline" go out), whatever the main thread waits for (app/StopSignals.h).
#pragma once

#include "app/CommandLine.h"

// Runs the logger on the main thread; returns the exit status: 0 when it ended as asked
// (count, duration, SIGINT, SIGTERM or SIGHUP, or its reader closed standard output), 1 when
// the port could not be opened, a key could not be sent or the CSV file could not be written
// (the reason on standard error), standard output included when it was closed at start
// (app/StandardStreams.h).
int RunHeadless(const TProgramOptions& options);
