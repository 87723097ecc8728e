#include "util/kv.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "util/mem.h"
#include "util/tools.h"

namespace {

bool is_blank(char c)
{
    return c == ' ' || c == '\t';
}

bool is_line_end(char c)
{
    return c == '\0' || c == '\n' || c == '\r';
}

KV_Entry* entry_of(NODE_Node* node)
{
    return node != nullptr ? static_cast<KV_Entry*>(node->data) : nullptr;
}

KV_Entry* new_entry(const char* key, size_t keyLength, const char* value, size_t valueLength)
{
    auto* entry = static_cast<KV_Entry*>(MEM_Alloc(sizeof(KV_Entry) + keyLength + valueLength + 2));
    if (entry == nullptr) {
        return nullptr;
    }
    entry->node = NODE_Node{nullptr, nullptr, entry, nullptr};
    entry->key = reinterpret_cast<char*>(entry + 1);
    entry->value = entry->key + keyLength + 1;
    if (keyLength > 0) {
        memcpy(entry->key, key, keyLength);
    }
    entry->key[keyLength] = '\0';
    if (valueLength > 0) {
        memcpy(entry->value, value, valueLength);
    }
    entry->value[valueLength] = '\0';
    return entry;
}

void link_entry(KV_Store* store, KV_Entry* entry)
{
    NODE_AddTail(&entry->node, &store->entries);
    if (store->cursor == nullptr) {
        store->cursor = entry;
    }
    store->modified = true;
}

KV_Entry* append(KV_Store* store, const char* key, size_t keyLength, const char* value, size_t valueLength)
{
    KV_Entry* entry = new_entry(key, keyLength, value, valueLength);
    if (entry != nullptr) {
        link_entry(store, entry);
    }
    return entry;
}

void remove_entry(KV_Store* store, KV_Entry* entry)
{
    if (store->cursor == entry) {
        KV_Entry* next = entry_of(entry->node.next);
        store->cursor = next != nullptr ? next : entry_of(entry->node.prev);
    }
    NODE_Remove(&entry->node);
    MEM_Free(entry);
    store->modified = true;
}

// Starts after the cursor and wraps round, ending with the cursor itself, so that keys read
// in stored order are each found at the first comparison.
KV_Entry* find(KV_Store* store, const char* key)
{
    if (store == nullptr || key == nullptr || key[0] == '\0' || store->cursor == nullptr) {
        return nullptr;
    }
    NODE_Node* start = &store->cursor->node;
    NODE_Node* n = start;
    do {
        n = n->next != nullptr ? n->next : store->entries.first;
        KV_Entry* entry = entry_of(n);
        if (strcmp(entry->key, key) == 0) {
            store->cursor = entry;
            return entry;
        }
    } while (n != start);
    return nullptr;
}

bool replace(KV_Store* store, const char* key, const char* value, bool mayAppend)
{
    if (store == nullptr || key == nullptr || key[0] == '\0') {
        return false;
    }
    if (value == nullptr) {
        value = "";
    }
    KV_Entry* old = find(store, key);
    if (old == nullptr) {
        return mayAppend && append(store, key, strlen(key), value, strlen(value)) != nullptr;
    }
    KV_Entry* entry = new_entry(key, strlen(key), value, strlen(value));
    if (entry == nullptr) {
        return false;
    }
    NODE_InsertAfter(&entry->node, &old->node);
    remove_entry(store, old);
    return true;
}

// Keeps the typed setters' text short enough for any double that "%f" can print.
constexpr size_t NUMBER_TEXT = 400;

bool set_uint(KV_Store* store, const char* key, uint32_t value, bool mayAppend)
{
    char text[16];
    *AUX_UIntToDec(value, text) = '\0';
    return replace(store, key, text, mayAppend);
}

bool set_int(KV_Store* store, const char* key, int32_t value, bool mayAppend)
{
    char text[16];
    *AUX_IntToDec(value, text) = '\0';
    return replace(store, key, text, mayAppend);
}

bool set_hex(KV_Store* store, const char* key, uint32_t value, bool mayAppend)
{
    char text[16];
    *AUX_UIntToHex(value, text) = '\0';
    return replace(store, key, text, mayAppend);
}

bool set_float(KV_Store* store, const char* key, double value, bool mayAppend)
{
    char text[NUMBER_TEXT];
    snprintf(text, sizeof text, "%f", value);
    return replace(store, key, text, mayAppend);
}

bool required_present(KV_Store* store, const KV_Pair* required)
{
    for (const KV_Pair* pair = required; pair != nullptr && pair->key != nullptr; pair++) {
        if (!KV_HasKey(store, pair->key)) {
            return false;
        }
    }
    return true;
}

const char* skip_line_break(const char* p)
{
    if (*p == '\r') {
        p++;
        if (*p == '\n') {
            p++;
        }
    } else if (*p == '\n') {
        p++;
    }
    return p;
}

// Returns the start of the next line, or NULL when the marker line ended the parse;
// `*failed` reports an allocation failure either way.
const char* parse_line(KV_Store* store, const char* p, int blockMode, const char* marker, bool* failed)
{
    while (is_blank(*p)) {
        p++;
    }
    if (is_line_end(*p)) {
        *failed = append(store, nullptr, 0, nullptr, 0) == nullptr;
        return skip_line_break(p);
    }
    const char* key = p;
    while (!is_line_end(*p) && *p != '=') {
        p++;
    }
    const char* keyEnd = p;
    while (keyEnd > key && is_blank(keyEnd[-1])) {
        keyEnd--;
    }
    const char* value = p;
    if (*p == '=') {
        value = p + 1;
        while (is_blank(*value)) {
            value++;
        }
    }
    const char* valueEnd = value;
    while (!is_line_end(*valueEnd)) {
        valueEnd++;
    }
    const char* next = skip_line_break(valueEnd);
    auto keyLength = static_cast<size_t>(keyEnd - key);
    if (marker != nullptr && blockMode != KV_BLOCK_NONE && keyLength == strlen(marker) &&
        memcmp(key, marker, keyLength) == 0) {
        if (blockMode != KV_BLOCK_DROP && *next != '\0') {
            *failed = !KV_SetBlock(store, marker, next, static_cast<uint32_t>(strlen(next)));
        }
        return nullptr;
    }
    *failed = append(store, key, keyLength, value, static_cast<size_t>(valueEnd - value)) == nullptr;
    return next;
}

}  // namespace

KV_Store* KV_Create(const char* fileName, const KV_Pair* pairs)
{
    if (fileName == nullptr) {
        return nullptr;
    }
    size_t nameLength = strlen(fileName);
    auto* store = static_cast<KV_Store*>(MEM_Alloc(sizeof(KV_Store) + nameLength + 1));
    if (store == nullptr) {
        return nullptr;
    }
    *store = KV_Store{{nullptr, nullptr}, nullptr, nullptr, nullptr, 0, false, reinterpret_cast<char*>(store + 1)};
    memcpy(store->fileName, fileName, nameLength + 1);
    for (const KV_Pair* pair = pairs; pair != nullptr && pair->key != nullptr; pair++) {
        if (KV_AddEntry(store, pair->key, pair->value) == nullptr) {
            KV_Dispose(store);
            return nullptr;
        }
    }
    return store;
}

KV_Store* KV_Open(const char* fileName, const KV_Pair* required, int blockMode, const char* blockMarker)
{
    if (fileName == nullptr) {
        return nullptr;
    }
    uint32_t size = 0;
    auto* text = static_cast<char*>(AUX_ReadFile(fileName, nullptr, &size, 1));
    if (text == nullptr) {
        return nullptr;
    }
    KV_Store* store = KV_Create(fileName, nullptr);
    if (store == nullptr || !KV_Parse(store, text, required, blockMode, blockMarker)) {
        MEM_Free(text);
        KV_Dispose(store);
        return nullptr;
    }
    MEM_Free(text);
    store->modified = false;
    return store;
}

bool KV_Parse(KV_Store* store, const char* text, const KV_Pair* required, int blockMode,
              const char* blockMarker)
{
    if (store == nullptr || text == nullptr) {
        return false;
    }
    KV_Clear(store);
    const char* p = text;
    while (p != nullptr && *p != '\0') {
        bool failed = false;
        p = parse_line(store, p, blockMode, blockMarker, &failed);
        if (failed) {
            return false;
        }
    }
    if (blockMode == KV_BLOCK_REQUIRED && blockMarker != nullptr && store->blockMarker == nullptr) {
        return false;
    }
    return required_present(store, required);
}

bool KV_Serialise(const KV_Store* store, char** text, uint32_t* length)
{
    if (text != nullptr) {
        *text = nullptr;
    }
    if (store == nullptr || text == nullptr || length == nullptr) {
        return false;
    }
    size_t width = 0;
    for (NODE_Node* n = store->entries.first; n != nullptr; n = n->next) {
        size_t k = strlen(entry_of(n)->key);
        width = k > width ? k : width;
    }
    width++;
    size_t total = 0;
    for (NODE_Node* n = store->entries.first; n != nullptr; n = n->next) {
        const KV_Entry* e = entry_of(n);
        if (e->key[0] == '\0') {
            total += 1;
        } else if (e->value[0] == '\0') {
            total += strlen(e->key) + 1;
        } else {
            total += width + 2 + strlen(e->value) + 1;
        }
    }
    if (store->blockMarker != nullptr) {
        total += strlen(store->blockMarker) + 1 + store->blockLength;
    }
    if (total > UINT32_MAX) {
        return false;
    }
    auto* out = static_cast<char*>(MEM_Alloc(total + 1));
    if (out == nullptr) {
        return false;
    }
    char* p = out;
    for (NODE_Node* n = store->entries.first; n != nullptr; n = n->next) {
        const KV_Entry* e = entry_of(n);
        size_t k = strlen(e->key);
        if (k > 0) {
            memcpy(p, e->key, k);
            p += k;
            if (e->value[0] != '\0') {
                memset(p, ' ', width - k);
                p += width - k;
                *p++ = '=';
                *p++ = ' ';
                size_t v = strlen(e->value);
                memcpy(p, e->value, v);
                p += v;
            }
        }
        *p++ = '\n';
    }
    if (store->blockMarker != nullptr) {
        size_t m = strlen(store->blockMarker);
        memcpy(p, store->blockMarker, m);
        p += m;
        *p++ = '\n';
        memcpy(p, store->blockText, store->blockLength);
        p += store->blockLength;
    }
    *p = '\0';
    *text = out;
    *length = static_cast<uint32_t>(total);
    return true;
}

bool KV_Flush(KV_Store* store)
{
    if (store == nullptr) {
        return false;
    }
    if (!store->modified) {
        return true;
    }
    char* text = nullptr;
    uint32_t length = 0;
    if (!KV_Serialise(store, &text, &length)) {
        return false;
    }
    bool written = AUX_WriteFile(store->fileName, text, length);
    MEM_Free(text);
    if (written) {
        store->modified = false;
    }
    return written;
}

bool KV_Close(KV_Store* store)
{
    if (store == nullptr) {
        return true;
    }
    if (store->modified && !KV_Flush(store)) {
        return false;
    }
    KV_Dispose(store);
    return true;
}

void KV_Dispose(KV_Store* store)
{
    if (store == nullptr) {
        return;
    }
    KV_Clear(store);
    MEM_Free(store);
}

void KV_Clear(KV_Store* store)
{
    if (store == nullptr) {
        return;
    }
    while (store->entries.first != nullptr) {
        NODE_Node* n = store->entries.first;
        NODE_Remove(n);
        MEM_Free(entry_of(n));
    }
    store->cursor = nullptr;
    KV_ClearBlock(store);
    store->modified = true;
}

KV_Entry* KV_AddEntry(KV_Store* store, const char* key, const char* value)
{
    if (store == nullptr) {
        return nullptr;
    }
    return append(store, key, key != nullptr ? strlen(key) : 0, value, value != nullptr ? strlen(value) : 0);
}

bool KV_AppendEntry(KV_Store* store, const char* key, const char* value)
{
    return KV_AddEntry(store, key, value) != nullptr;
}

bool KV_SetBlock(KV_Store* store, const char* marker, const void* data, uint32_t length)
{
    if (store == nullptr || marker == nullptr || (data == nullptr && length > 0)) {
        return false;
    }
    size_t markerLength = strlen(marker);
    auto* block = static_cast<char*>(MEM_Alloc(markerLength + 1 + static_cast<size_t>(length) + 1));
    if (block == nullptr) {
        return false;
    }
    memcpy(block, marker, markerLength + 1);
    char* blockText = block + markerLength + 1;
    if (length > 0) {
        memcpy(blockText, data, length);
    }
    blockText[length] = '\0';
    KV_ClearBlock(store);
    store->blockMarker = block;
    store->blockText = blockText;
    store->blockLength = length;
    return true;
}

void KV_ClearBlock(KV_Store* store)
{
    if (store == nullptr) {
        return;
    }
    MEM_Free(store->blockMarker);
    store->blockMarker = nullptr;
    store->blockText = nullptr;
    store->blockLength = 0;
    store->modified = true;
}

bool KV_GetString(KV_Store* store, const char* key, const char** value)
{
    KV_Entry* entry = value != nullptr ? find(store, key) : nullptr;
    if (entry == nullptr) {
        return false;
    }
    *value = entry->value;
    return true;
}

bool KV_CopyString(KV_Store* store, const char* key, char* buffer, size_t size)
{
    KV_Entry* entry = buffer != nullptr ? find(store, key) : nullptr;
    if (entry == nullptr) {
        return false;
    }
    size_t length = strlen(entry->value);
    if (length >= size) {
        return false;
    }
    memcpy(buffer, entry->value, length + 1);
    return true;
}

bool KV_GetUInt(KV_Store* store, const char* key, uint32_t* value)
{
    KV_Entry* entry = value != nullptr ? find(store, key) : nullptr;
    if (entry == nullptr) {
        return false;
    }
    *value = AUX_DecToUInt(entry->value);
    return true;
}

bool KV_GetInt(KV_Store* store, const char* key, int32_t* value)
{
    KV_Entry* entry = value != nullptr ? find(store, key) : nullptr;
    if (entry == nullptr) {
        return false;
    }
    // atoi's overflow is undefined; strtol's is clamped.
    long number = strtol(entry->value, nullptr, 10);
    if (number > INT32_MAX) {
        number = INT32_MAX;
    } else if (number < INT32_MIN) {
        number = INT32_MIN;
    }
    *value = static_cast<int32_t>(number);
    return true;
}

bool KV_GetFloat(KV_Store* store, const char* key, double* value)
{
    KV_Entry* entry = value != nullptr ? find(store, key) : nullptr;
    if (entry == nullptr) {
        return false;
    }
    *value = strtod(entry->value, nullptr);
    return true;
}

bool KV_GetHex(KV_Store* store, const char* key, uint32_t* value)
{
    KV_Entry* entry = value != nullptr ? find(store, key) : nullptr;
    if (entry == nullptr || entry->value[0] != '0' || entry->value[1] != 'x') {
        return false;
    }
    *value = AUX_HexToUInt(entry->value, 0);
    return true;
}

bool KV_IsString(KV_Store* store, const char* key, const char* text)
{
    KV_Entry* entry = text != nullptr ? find(store, key) : nullptr;
    return entry != nullptr && strcmp(entry->value, text) == 0;
}

bool KV_HasKey(KV_Store* store, const char* key)
{
    return find(store, key) != nullptr;
}

bool KV_RemoveKey(KV_Store* store, const char* key)
{
    KV_Entry* entry = find(store, key);
    if (entry == nullptr) {
        return false;
    }
    remove_entry(store, entry);
    return true;
}

bool KV_SetString(KV_Store* store, const char* key, const char* value)
{
    return replace(store, key, value, true);
}

bool KV_SetUInt(KV_Store* store, const char* key, uint32_t value)
{
    return set_uint(store, key, value, true);
}

bool KV_SetInt(KV_Store* store, const char* key, int32_t value)
{
    return set_int(store, key, value, true);
}

bool KV_SetHex(KV_Store* store, const char* key, uint32_t value)
{
    return set_hex(store, key, value, true);
}

bool KV_SetFloat(KV_Store* store, const char* key, double value)
{
    return set_float(store, key, value, true);
}

bool KV_ReplaceString(KV_Store* store, const char* key, const char* value)
{
    return replace(store, key, value, false);
}

bool KV_ReplaceUInt(KV_Store* store, const char* key, uint32_t value)
{
    return set_uint(store, key, value, false);
}

bool KV_ReplaceInt(KV_Store* store, const char* key, int32_t value)
{
    return set_int(store, key, value, false);
}

bool KV_ReplaceHex(KV_Store* store, const char* key, uint32_t value)
{
    return set_hex(store, key, value, false);
}

bool KV_ReplaceFloat(KV_Store* store, const char* key, double value)
{
    return set_float(store, key, value, false);
}
