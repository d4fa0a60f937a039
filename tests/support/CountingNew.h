// Counting the heap allocations a piece of code makes.  An executable that links
// CountingNew.cpp has the global operator new replaced by one that counts the calls made on
// the counting thread while counting is on; other threads are never counted.
#pragma once

#include <functional>

// The number of allocations `body` made on the calling thread.
long AllocationsOf(const std::function<void()>& body);
