// The configuration store: an ordered list of text key/value entries read from and written
// back to a small text file ("configuration.txt", a theme's "descriptor.txt").
//
// File format, one entry per line: blanks before the key are skipped; the key runs to the
// first '=' (or the end of the line) with trailing blanks removed; the value starts after
// the '=' and its leading blanks and keeps its trailing ones. Lines end at LF, CR or CR LF.
// No comments, quoting or escapes. Written back with every '=' in the column one past the
// longest key ("KEY= value"), a line without value as the key alone, a blank line as a
// blank line, always with LF. An optional free-text block follows a marker line.
// Keys may repeat; lookups start after the entry used last (the cursor), so reading keys in
// their stored order costs one comparison each.
//
// Depends on util/node.h, util/tools.h, util/mem.h. Not thread-safe.
#pragma once

#include <cstddef>
#include <cstdint>

#include "util/node.h"

// Key/value pairs for KV_Create and the required keys of KV_Open, ended by a NULL key.
struct KV_Pair {
    const char* key;
    const char* value;
};

// One line of the file; an empty key stands for a blank line. Key and value are stored
// inside the entry's own allocation.
struct KV_Entry {
    NODE_Node node; // data is the entry
    char* key;      // read only
    char* value;    // read only
};

// All fields are read only.
struct KV_Store {
    NODE_List entries;
    KV_Entry* cursor;     // NULL exactly when there are no entries
    char* blockMarker;    // NULL when there is no block
    char* blockText;      // NUL-terminated, in the marker's allocation
    uint32_t blockLength;
    bool modified;
    char* fileName;       // in the store's own allocation
};

// Block modes of KV_Open and KV_Parse, used only when a marker is given.
enum KV_BlockMode : int {
    KV_BLOCK_NONE = 0,     // the marker line is an ordinary entry
    KV_BLOCK_REQUIRED = 1, // the rest is the block, and the parse fails without one
    KV_BLOCK_OPTIONAL = 2, // any other non-zero mode: the rest is the block, if any
    KV_BLOCK_DROP = -1,    // parsing ends at the marker; the rest is dropped
};

// A new store bound to `fileName`, holding `pairs` in order (a NULL value is empty); marked
// modified when any pair was added. NULL for a NULL name or out of memory (nothing is left).
// Free with KV_Close or KV_Dispose.
[[nodiscard]] KV_Store* KV_Create(const char* fileName, const KV_Pair* pairs);
// Reads and parses the file; the result is not modified. NULL when the file cannot be read,
// the parse fails, a key of `required` (values unused) is absent, or out of memory.
[[nodiscard]] KV_Store* KV_Open(const char* fileName, const KV_Pair* required, int blockMode,
                                const char* blockMarker);
// Replaces the store's contents by the parsed text, which ends at its first NUL. False when
// out of memory or a required key or block is missing; the store then holds what was parsed
// so far. Marks the store modified either way.
[[nodiscard]] bool KV_Parse(KV_Store* store, const char* text, const KV_Pair* required, int blockMode,
                            const char* blockMarker);
// The file text in a new buffer of exactly *length + 1 bytes: the text and a NUL that is not
// part of it (so the text can be parsed again as it is). Free with MEM_Free. A store without
// entries and block gives length 0. False (and *text NULL) when out of memory or the text
// would exceed 4 GiB.
[[nodiscard]] bool KV_Serialise(const KV_Store* store, char** text, uint32_t* length);
// Writes the file when the store is modified and clears the flag. True when nothing had to
// be written or the write succeeded; false when building or writing failed (including the
// zero-length text of an empty store, which is never written).
[[nodiscard]] bool KV_Flush(KV_Store* store);
// Flushes and frees. False when the final write failed: the store is then kept, and the
// caller may KV_Dispose it. True for NULL.
[[nodiscard]] bool KV_Close(KV_Store* store);
// Frees everything without writing; NULL is ignored.
void KV_Dispose(KV_Store* store);
// Removes every entry and the block; marks modified.
void KV_Clear(KV_Store* store);

// Appends an entry (a NULL key gives a blank line, a NULL value an empty value) without
// checking for an existing key; the first entry of an empty store becomes the cursor.
// Returns the entry, owned by the store; NULL on failure.
KV_Entry* KV_AddEntry(KV_Store* store, const char* key, const char* value);
[[nodiscard]] bool KV_AppendEntry(KV_Store* store, const char* key, const char* value);
// Replaces the block by copies of the marker and of `length` bytes of data; false when out
// of memory (the old block is then kept).
[[nodiscard]] bool KV_SetBlock(KV_Store* store, const char* marker, const void* data, uint32_t length);
void KV_ClearBlock(KV_Store* store);

// Getters: false when the key is absent (the output is then untouched); an empty key is
// never found, so blank lines cannot be looked up or replaced. A hit moves the cursor. KV_GetString gives the entry's own text, valid until the entry changes.
[[nodiscard]] bool KV_GetString(KV_Store* store, const char* key, const char** value);
// Copies the value with its NUL; false also when it does not fit `size` bytes.
[[nodiscard]] bool KV_CopyString(KV_Store* store, const char* key, char* buffer, size_t size);
// The leading decimal digits (0 when there are none).
[[nodiscard]] bool KV_GetUInt(KV_Store* store, const char* key, uint32_t* value);
// A decimal integer as atoi reads it, clamped to 32 bits.
[[nodiscard]] bool KV_GetInt(KV_Store* store, const char* key, int32_t* value);
[[nodiscard]] bool KV_GetFloat(KV_Store* store, const char* key, double* value);
// Needs the "0x" prefix: a value without it is a failure, like an absent key.
[[nodiscard]] bool KV_GetHex(KV_Store* store, const char* key, uint32_t* value);
[[nodiscard]] bool KV_IsString(KV_Store* store, const char* key, const char* text);
[[nodiscard]] bool KV_HasKey(KV_Store* store, const char* key);
// Removes the entry found; false when absent.
bool KV_RemoveKey(KV_Store* store, const char* key);

// Setters replace the entry of the key in place (same line) or append one; false when out
// of memory (nothing changed). Numbers are written as decimal, "0x" and upper-case hex, "%f".
[[nodiscard]] bool KV_SetString(KV_Store* store, const char* key, const char* value);
[[nodiscard]] bool KV_SetUInt(KV_Store* store, const char* key, uint32_t value);
[[nodiscard]] bool KV_SetInt(KV_Store* store, const char* key, int32_t value);
[[nodiscard]] bool KV_SetHex(KV_Store* store, const char* key, uint32_t value);
[[nodiscard]] bool KV_SetFloat(KV_Store* store, const char* key, double value);
// As the setters, but only for a key that exists: false, and no change, otherwise.
[[nodiscard]] bool KV_ReplaceString(KV_Store* store, const char* key, const char* value);
[[nodiscard]] bool KV_ReplaceUInt(KV_Store* store, const char* key, uint32_t value);
[[nodiscard]] bool KV_ReplaceInt(KV_Store* store, const char* key, int32_t value);
[[nodiscard]] bool KV_ReplaceHex(KV_Store* store, const char* key, uint32_t value);
[[nodiscard]] bool KV_ReplaceFloat(KV_Store* store, const char* key, double value);
