#include "util/mem.h"

#include <cstdlib>
#include <cstring>

namespace {

// Keeps the caller's bytes aligned as malloc would.
struct alignas(std::max_align_t) Header {
    size_t size;
};

struct State {
    uint32_t points = 0;
    uint32_t failAt = 0;  // absolute point number that fails, 0 = none
    bool failureHit = false;
    int64_t liveBlocks = 0;
    int64_t liveBytes = 0;
    int64_t peakBytes = 0;
};

State state;

bool take_point()
{
    state.points++;
    if (state.failAt != 0 && state.points == state.failAt) {
        state.failureHit = true;
        return false;
    }
    return true;
}

void count_in(size_t size)
{
    state.liveBlocks++;
    state.liveBytes += static_cast<int64_t>(size);
    if (state.liveBytes > state.peakBytes) {
        state.peakBytes = state.liveBytes;
    }
}

void count_out(size_t size)
{
    state.liveBlocks--;
    state.liveBytes -= static_cast<int64_t>(size);
}

}  // namespace

void* MEM_Alloc(size_t size)
{
    if (!take_point() || size > SIZE_MAX - sizeof(Header)) {
        return nullptr;
    }
    auto* header = static_cast<Header*>(std::malloc(sizeof(Header) + size));
    if (header == nullptr) {
        return nullptr;
    }
    header->size = size;
    count_in(size);
    return header + 1;
}

void* MEM_Calloc(size_t count, size_t size)
{
    if (size != 0 && count > SIZE_MAX / size) {
        return nullptr;
    }
    void* block = MEM_Alloc(count * size);
    if (block != nullptr) {
        std::memset(block, 0, count * size);
    }
    return block;
}

void* MEM_Realloc(void* block, size_t size)
{
    if (block == nullptr) {
        return MEM_Alloc(size);
    }
    if (!take_point() || size > SIZE_MAX - sizeof(Header)) {
        return nullptr;
    }
    Header* old = static_cast<Header*>(block) - 1;
    size_t oldSize = old->size;
    auto* header = static_cast<Header*>(std::realloc(old, sizeof(Header) + size));
    if (header == nullptr) {
        return nullptr;
    }
    count_out(oldSize);
    header->size = size;
    count_in(size);
    return header + 1;
}

char* MEM_StrDup(const char* text)
{
    if (text == nullptr) {
        return nullptr;
    }
    size_t length = std::strlen(text);
    auto* copy = static_cast<char*>(MEM_Alloc(length + 1));
    if (copy != nullptr) {
        std::memcpy(copy, text, length + 1);
    }
    return copy;
}

void MEM_Free(void* block)
{
    if (block == nullptr) {
        return;
    }
    Header* header = static_cast<Header*>(block) - 1;
    count_out(header->size);
    std::free(header);
}

bool MEM_Allow()
{
    return take_point();
}

void MEM_FailAt(uint32_t n)
{
    state.failAt = n == 0 ? 0 : state.points + n;
    state.failureHit = false;
}

bool MEM_FailureHit()
{
    return state.failureHit;
}

uint32_t MEM_Points()
{
    return state.points;
}

int64_t MEM_LiveBlocks()
{
    return state.liveBlocks;
}

int64_t MEM_LiveBytes()
{
    return state.liveBytes;
}

int64_t MEM_PeakBytes()
{
    return state.peakBytes;
}

void MEM_ResetCounters()
{
    state.points = 0;
    state.failAt = 0;
    state.failureHit = false;
    state.peakBytes = state.liveBytes;
}
