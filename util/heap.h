// Tracked memory and the indented debug printer: blocks allocated here are remembered in one
// list, so that whatever is still allocated can be listed or freed at once; HEAP_Print and
// its level indent the debug listings of the tree and widget modules.
//
// Blocks come from MEM_Alloc like every other allocation. Not thread-safe: one list and one
// indentation level for the whole program.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

// A block of `size` bytes remembered under `tag` (not copied: keep it alive, usually a
// literal). NULL on failure. Free with HEAP_Free or HEAP_FreeAll, never with MEM_Free.
[[nodiscard]] void* HEAP_Alloc(size_t size, const char* tag);
// NULL is ignored.
void HEAP_Free(void* block);
void HEAP_FreeAll();
// Lists every tracked block, oldest first, as "tag: ADDRESS, size" inside braces.
void HEAP_ShowRAMAllocations();
// One tab per indentation level (none at 0 or below), then the text.
void HEAP_Print(const char* text);
// HEAP_Print("{\n"), then one level deeper.
void HEAP_Open();
// One level back, then HEAP_Print("}\n").
void HEAP_Close();

// Test hooks: where the printer writes (NULL: standard output), the level, and the count
// of tracked blocks.
void HEAP_SetOutput(FILE* out);
[[nodiscard]] int32_t HEAP_Level();
void HEAP_SetLevel(int32_t level);
[[nodiscard]] uint32_t HEAP_CountBlocks();
