// The registry's two internal steps, used by the dispatcher's constructor and destructor.
#pragma once

class TSioBaseDispatcher;

// Stores the dispatcher in the lowest empty slot (or appends it) and returns the slot.
// Raises Exception when every 16-bit slot is taken.
int RegisterDispatcher(TSioBaseDispatcher* dispatcher);
// Empties the slot and drops the empty slots at the end of the list.
void UnregisterDispatcher(int index);
