// The port probe that fills the port selection dialog's list.
//
// Main thread only (the thread that asks a port to open); the probe is synchronous and
// opens and closes the device at once.
#pragma once

// Process-wide switches; both start true and the program never changes them (tests do).
//   ProbeThroughDispatcher   true: open through a temporary device-layer dispatcher;
//                            false: open the device file directly.
//   CountBusyPortsAsPresent  true: a port held by another program (its open fails with
//                            access denied, 5) counts as present.
extern bool ProbeThroughDispatcher;
extern bool CountBusyPortsAsPresent;

// Whether serial port n (the device PortDeviceName(n)) is present: it opens, or, with
// CountBusyPortsAsPresent, its opening is refused with access denied.  Port 0 is never
// present.  Leaves nothing open or locked.  An exception from making the temporary
// dispatcher propagates (the dispatcher is freed).
bool ProbePort(unsigned n);
