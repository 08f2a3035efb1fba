// SPDX-License-Identifier: GPL-3.0-or-later
// Allocation-failure injection: the --wrap replacements of malloc, realloc, strdup and free
// that count, fail on request and track the blocks of the statically linked code.
#include "alloc-fault.h"

#include <cstdint>
#include <cstring>

extern "C" {
void *__real_malloc(size_t size);
void *__real_realloc(void *block, size_t size);
char *__real_strdup(const char *text);
void __real_free(void *block);

void *__wrap_malloc(size_t size);
void *__wrap_realloc(void *block, size_t size);
char *__wrap_strdup(const char *text);
void __wrap_free(void *block);
}

namespace {

// Far more blocks than any query under test keeps at once; tracking needs no allocation
// of its own.
constexpr size_t kMaxTracked = 8192;

bool armed = false;
unsigned long calls = 0;
unsigned long fail_at = 0;
void *tracked[kMaxTracked];
size_t tracked_count = 0;
bool tracking_overflowed = false;

// Counts one allocation call; true when this one is to fail.
bool next_call_fails() {
  if (!armed) return false;
  ++calls;
  return calls == fail_at;
}

void track(void *block) {
  if (!armed || !block) return;
  if (tracked_count == kMaxTracked) {
    tracking_overflowed = true;
    return;
  }
  tracked[tracked_count++] = block;
}

void untrack(void *block) {
  if (!block) return;
  for (size_t i = 0; i < tracked_count; ++i) {
    if (tracked[i] != block) continue;
    tracked[i] = tracked[--tracked_count];
    return;
  }
}

}  // namespace

extern "C" void *__wrap_malloc(size_t size) {
  if (next_call_fails()) return nullptr;
  void *block = __real_malloc(size);
  track(block);
  return block;
}

extern "C" void *__wrap_realloc(void *block, size_t size) {
  if (next_call_fails()) return nullptr;  // the old block stays as it was
  void *moved = __real_realloc(block, size);
  if (moved) {
    // A block from before arming was never tracked; the new one is counted from now.
    untrack(block);
    track(moved);
  }
  return moved;
}

extern "C" char *__wrap_strdup(const char *text) {
  if (next_call_fails()) return nullptr;
  char *copy = __real_strdup(text);
  track(copy);
  return copy;
}

extern "C" void __wrap_free(void *block) {
  untrack(block);
  __real_free(block);
}

namespace alloc_fault {

void arm(unsigned long fail_at_call) {
  calls = 0;
  fail_at = fail_at_call;
  tracked_count = 0;
  tracking_overflowed = false;
  armed = true;
}

unsigned long disarm() {
  armed = false;
  return calls;
}

size_t live_blocks() { return tracking_overflowed ? SIZE_MAX : tracked_count; }

}  // namespace alloc_fault
