#include "util/heap.h"

#include <cinttypes>
#include <cstddef>

#include "util/mem.h"
#include "util/node.h"

namespace {

// Aligned as malloc aligns, so the caller's bytes behind it are fit for any type.
struct alignas(std::max_align_t) Block {
    NODE_Node link;
    size_t size;
    const char* tag;
};

NODE_List blocks = {nullptr, nullptr};
int32_t level = 0;
FILE* output = nullptr;

FILE* out()
{
    return output != nullptr ? output : stdout;
}

Block* block_of(void* address)
{
    return reinterpret_cast<Block*>(static_cast<char*>(address) - sizeof(Block));
}

}  // namespace

void* HEAP_Alloc(size_t size, const char* tag)
{
    if (size > SIZE_MAX - sizeof(Block)) {
        return nullptr;
    }
    auto* block = static_cast<Block*>(MEM_Alloc(sizeof(Block) + size));
    if (block == nullptr) {
        return nullptr;
    }
    block->link = NODE_Node{nullptr, nullptr, block, nullptr};
    block->size = size;
    block->tag = tag;
    NODE_AddTail(&block->link, &blocks);
    return block + 1;
}

void HEAP_Free(void* address)
{
    if (address == nullptr) {
        return;
    }
    Block* block = block_of(address);
    NODE_Remove(&block->link);
    MEM_Free(block);
}

void HEAP_FreeAll()
{
    while (blocks.first != nullptr) {
        auto* block = static_cast<Block*>(blocks.first->data);
        NODE_Remove(&block->link);
        MEM_Free(block);
    }
}

void HEAP_Print(const char* text)
{
    for (int32_t i = 0; i < level; i++) {
        fputc('\t', out());
    }
    fputs(text != nullptr ? text : "(null)", out());
}

void HEAP_Open()
{
    HEAP_Print("{\n");
    level++;
}

void HEAP_Close()
{
    level--;
    HEAP_Print("}\n");
}

void HEAP_ShowRAMAllocations()
{
    HEAP_Print("HEAP_ShowRAMAllocations()\n");
    HEAP_Open();
    for (NODE_Node* n = blocks.first; n != nullptr; n = n->next) {
        auto* block = static_cast<Block*>(n->data);
        char line[64];
        // The whole address: a 64-bit pointer does not fit %X.
        snprintf(line, sizeof line, ": %" PRIXPTR ", %zu\n", reinterpret_cast<uintptr_t>(block + 1), block->size);
        HEAP_Print(block->tag != nullptr ? block->tag : "(null)");
        fputs(line, out());
    }
    HEAP_Close();
}

void HEAP_SetOutput(FILE* file)
{
    output = file;
}

int32_t HEAP_Level()
{
    return level;
}

void HEAP_SetLevel(int32_t value)
{
    level = value;
}

uint32_t HEAP_CountBlocks()
{
    return NODE_CountNodes(&blocks);
}
