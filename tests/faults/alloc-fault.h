// SPDX-License-Identifier: GPL-3.0-or-later
// Allocation-failure injection for tests linked with
// -Wl,--wrap=malloc,--wrap=realloc,--wrap=strdup,--wrap=free: the allocations made by the
// statically linked code (our libraries and the test) can be made to fail one at a time,
// and the blocks they leave behind are counted. Calls made inside shared libraries, SQLite
// among them, are not affected.
#pragma once

#include <cstddef>

namespace alloc_fault {

// Starts counting allocation calls (malloc, realloc, strdup) and tracking the blocks they
// return. The |fail_at|-th call from now (counted from 1) returns null; 0 lets all succeed.
void arm(unsigned long fail_at);

// Stops counting and tracking; returns the number of allocation calls made while armed.
unsigned long disarm();

// The number of blocks allocated while armed and not freed since.
size_t live_blocks();

}  // namespace alloc_fault
