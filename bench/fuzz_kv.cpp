// Feeds arbitrary bytes to the configuration store: whatever parses must be written in a
// form that reads back to the very same text.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "util/kv.h"
#include "util/mem.h"

namespace {

// The first byte picks how a "BLOCK" marker line is treated, so the block paths are fuzzed
// along with the plain entries.
constexpr int modes[] = {KV_BLOCK_NONE, KV_BLOCK_DROP, KV_BLOCK_REQUIRED, KV_BLOCK_OPTIONAL};

char* serialise_or_die(const KV_Store* store, uint32_t* length)
{
    char* text = nullptr;
    if (!KV_Serialise(store, &text, length)) {
        abort();
    }
    return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0) {
        return 0;
    }
    int mode = modes[data[0] % 4];
    const char* marker = mode != KV_BLOCK_NONE ? "BLOCK" : nullptr;
    auto* input = static_cast<char*>(MEM_Alloc(size));
    if (input == nullptr) {
        return 0;
    }
    memcpy(input, data + 1, size - 1);
    input[size - 1] = '\0';

    KV_Store* store = KV_Create("fuzz.txt", nullptr);
    if (store == nullptr || !KV_Parse(store, input, nullptr, mode, marker)) {
        KV_Dispose(store);
        MEM_Free(input);
        return 0;
    }
    uint32_t firstLength = 0;
    char* first = serialise_or_die(store, &firstLength);

    KV_Store* again = KV_Create("fuzz.txt", nullptr);
    if (again == nullptr || !KV_Parse(again, first, nullptr, mode, marker)) {
        abort();  // a written text must always read back
    }
    uint32_t secondLength = 0;
    char* second = serialise_or_die(again, &secondLength);
    if (secondLength != firstLength || memcmp(first, second, firstLength) != 0) {
        abort();
    }
    MEM_Free(second);
    MEM_Free(first);
    KV_Dispose(again);
    KV_Dispose(store);
    MEM_Free(input);
    return 0;
}
