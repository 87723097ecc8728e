// The allocation module: every allocation of the program goes through here, so that a test
// can make the n-th allocation point fail and check that nothing leaks.
//
// An allocation point is a heap allocation (MEM_Alloc and friends) or a resource made by a
// library that cannot allocate through us (an SDL surface, a mixer chunk): such code asks
// MEM_Allow() first and treats false as the library's own failure.
// Not thread-safe: only the main thread allocates.
#pragma once

#include <cstddef>
#include <cstdint>

// Returns NULL when the memory cannot be had; free with MEM_Free.
[[nodiscard]] void* MEM_Alloc(size_t size);
// As MEM_Alloc, with the bytes cleared; NULL also when count * size overflows.
[[nodiscard]] void* MEM_Calloc(size_t count, size_t size);
// NULL on failure, and then the old block stays valid and allocated. A NULL block allocates.
[[nodiscard]] void* MEM_Realloc(void* block, size_t size);
// A copy of the text; NULL for a NULL text or on failure. Free with MEM_Free.
[[nodiscard]] char* MEM_StrDup(const char* text);
// NULL is ignored.
void MEM_Free(void* block);
// Counts one allocation point made outside this module; false when the test hook fails it.
[[nodiscard]] bool MEM_Allow();

// Test hooks.
// The n-th allocation point from now fails (1 = the next one); 0 makes none fail.
void MEM_FailAt(uint32_t n);
// Whether the point set by MEM_FailAt has been reached (and failed) since it was set.
bool MEM_FailureHit();
// Allocation points counted since the last MEM_ResetCounters.
uint32_t MEM_Points();
// Blocks and bytes allocated through this module and not yet freed.
int64_t MEM_LiveBlocks();
int64_t MEM_LiveBytes();
// The most bytes live at once since the last MEM_ResetCounters.
int64_t MEM_PeakBytes();
void MEM_ResetCounters();
