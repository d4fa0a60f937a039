// Standard input, output and error as the program found them.
//
// A program started with one of descriptors 0 to 2 closed (a service manager, `>&-`) would
// hand that number to the next file it opens, and then write its messages, or its CSV rows,
// into an eventfd or a socket of its own.  OpenStandardStreams, the first thing main does,
// before anything opens a file, puts /dev/null where one is missing and remembers which were.
// Main thread, once; the queries any thread afterwards.
#pragma once

void OpenStandardStreams();
// Whether standard output was closed when the program started (it is /dev/null now).
bool StandardOutputWasClosed();
