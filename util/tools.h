// Small tools the rest of the program leans on: number/text conversions, text skipping and
// copying, tag lists, path joining, whole-file reading and writing, the scrambling of the
// chart file, byte order, and fixed-point trigonometry with angles in 1/1024 of a turn.
//
// Depends on util/mem.h (everything returned for the caller to free is freed with MEM_Free
// or AUX_Free). The only module state is the trigonometry tables, filled once by
// AUX_InitTrigTables. Text bytes are classified as unsigned values throughout.
#pragma once

#include <cstddef>
#include <cstdint>

enum {
    AUX_PATH_SIZE = 1024,  // room for every path the program builds, NUL included
    AUX_ANGLES = 1024,     // one full turn
    AUX_TRIG_ONE = 1024,   // the trigonometry tables' scale
};

// Flags of AUX_JoinPath.
enum AUX_JoinFlags : unsigned {
    AUX_JOIN_LEADING = 1,     // begin with a separator
    AUX_JOIN_AFTER_FIRST = 2, // a separator after the first part too (else it is a prefix)
    AUX_JOIN_TRAILING = 4,    // end with a separator
};

// One (tag, value) pair of a tag list; the list ends with tag 0. Values often carry
// addresses, hence pointer width.
struct AUX_Tag {
    uintptr_t tag;
    uintptr_t value;
};

// Two owned blocks kept together; see AUX_FreePair.
struct AUX_Pair {
    void* first;
    void* second;
};

// A log file opened only when something is first written to it.
struct AUX_Log {
    char* name;
    void* file; // FILE*, NULL until the first write
};

// Sine and cosine of angle 0..1024, times 1024, rounded half away from zero.
extern int32_t AUX_Sine[AUX_ANGLES + 1];
extern int32_t AUX_Cosine[AUX_ANGLES + 1];
// Indexed by 1024 + c for c = -1024..1024: the angle whose cosine (sine) is c/1024, in
// 1/1024 turns, truncated; negative arc sines have 1024 added.
extern int16_t AUX_ArcCosine[2 * AUX_TRIG_ONE + 1];
extern int16_t AUX_ArcSine[2 * AUX_TRIG_ONE + 1];

// Numbers to text: the writers put no NUL and return the position after the last
// character. The destination needs 10, 11 and 10 bytes at most.
char* AUX_UIntToDec(uint32_t value, char* dest);
char* AUX_IntToDec(int32_t value, char* dest);
// "0x" and upper-case digits without leading zeros ("0x0" for 0).
char* AUX_UIntToHex(uint32_t value, char* dest);
// The leading decimal digits; 0 when there are none (no sign, no blanks); wraps on overflow.
[[nodiscard]] uint32_t AUX_DecToUInt(const char* text);
// Needs "0x" (lower-case x): else `fallback`. Then hex digits of either case until another
// character; "0x" alone is 0.
[[nodiscard]] uint32_t AUX_HexToUInt(const char* text, uint32_t fallback);

// Skipping: each returns the first character that is not skipped. NULL gives NULL.
[[nodiscard]] const char* AUX_SkipBlanks(const char* text); // spaces and tabs
[[nodiscard]] const char* AUX_SkipSpaces(const char* text); // spaces only
[[nodiscard]] const char* AUX_SkipWord(const char* text);   // up to a space, tab, LF or NUL
[[nodiscard]] const char* AUX_SkipNumber(const char* text); // an optional '-' and digits

// Copies up to `maximum` characters (0: all; negative: nothing) and ends with a NUL, so the
// destination needs maximum + 1 bytes.
void AUX_CopyString(const char* source, char* dest, int32_t maximum);
// As AUX_CopyString; with a NULL destination allocates maximum + 1 bytes (or the source's
// length + 1 for maximum 0). Returns the destination; NULL on a failed allocation, for a
// NULL source or a negative maximum without destination. Free an allocated copy with MEM_Free.
[[nodiscard]] char* AUX_DupString(const char* source, char* dest, int32_t maximum);
// ASCII letters only, in place.
void AUX_ToLower(char* text);
void AUX_ToUpper(char* text);

// Tag lists: each acts on the first pair with the tag and returns the tag, or 0 when it is
// absent (the list is then unchanged and `value` untouched).
uintptr_t AUX_GetTag(const AUX_Tag* list, uintptr_t tag, uintptr_t* value);
uintptr_t AUX_SetTag(AUX_Tag* list, uintptr_t tag, uintptr_t value);
uintptr_t AUX_OrTag(AUX_Tag* list, uintptr_t tag, uintptr_t bits);

// Joins the parts (ended by a NULL part) into `dest` of `size` bytes. With flags 0 the first
// part is a prefix: "PROGDIR:", "themes", "a" gives "PROGDIR:themes/a". Returns false, with
// `dest` emptied, when the result and its NUL do not fit; nothing is written past `size`.
[[nodiscard]] bool AUX_JoinPath(char* dest, size_t size, char separator, unsigned flags, ...)
    __attribute__((sentinel));
[[nodiscard]] bool AUX_JoinPathList(char* dest, size_t size, char separator, unsigned flags,
                                    const char* const* parts);
// Joins folder, "themes"-like part, theme and file with '/' (flags 0) and returns whether
// that file exists; if not, tries theme "default" instead. `dest` holds the last path tried
// (empty when it did not fit, which counts as missing).
[[nodiscard]] bool AUX_FindThemeFile(const char* part1, const char* part2, const char* theme,
                                     const char* file, char* dest, size_t size);

// Reads a whole regular file. With `buffer` NULL, allocates size + extra bytes (free with
// MEM_Free); with a buffer, `*size` must hold its capacity on entry and a file that does not
// fit with its extra bytes fails. The `extra` bytes after the data are zeroed. `*size`
// receives the file's length. Returns NULL when the file cannot be read whole or on a
// failed allocation (an allocated buffer is then freed).
[[nodiscard]] void* AUX_ReadFile(const char* name, void* buffer, uint32_t* size, uint32_t extra);
// What reading `name` would meet, found without blocking on a FIFO or a device: missing (no
// such file), readable (a regular file that opens), or unusable for any other reason (no
// permission, not a regular file, a file standing where a folder should); errno then tells
// why.
enum AUX_FileState { AUX_FILE_MISSING, AUX_FILE_READABLE, AUX_FILE_UNUSABLE };
[[nodiscard]] AUX_FileState AUX_CheckFile(const char* name);
// Writes `length` bytes to a temporary file beside `name`, flushes it to disk and renames it
// over `name` only when everything was written. Returns false, leaving any old file as it
// was, for a NULL name or data, a length of 0, or any failure.
[[nodiscard]] bool AUX_WriteFile(const char* name, const void* data, uint32_t length);

// The chart file's scrambling, in place; AUX_Unscramble with the same length undoes it.
void AUX_Scramble(void* buffer, uint32_t length);
void AUX_Unscramble(void* buffer, uint32_t length);

// 0xFF on a big-endian processor, 0 on a little-endian one.
[[nodiscard]] uint8_t AUX_IsBigEndian();
[[nodiscard]] uint32_t AUX_Swap32(uint32_t value);
// Reverses every 2- or 4-byte element of `source` into `dest` (may be `source` itself);
// with `dest` NULL into a new block (free with MEM_Free). Returns the destination; NULL for
// another element size, a size that is not a multiple of it, or a failed allocation.
[[nodiscard]] void* AUX_SwapBuffer(const void* source, void* dest, size_t size, uint32_t elementSize);

// Fills the four tables; run once before anything reads them.
void AUX_InitTrigTables();
// Rotates (x, y) by the angle (taken modulo one turn) with the tables; each coordinate's
// division by 1024 truncates toward zero.
void AUX_Rotate(int32_t* x, int32_t* y, uint32_t angle);
// The angle of the vector (x, y) in 0..1023; 0 for the zero vector.
[[nodiscard]] uint32_t AUX_VectorAngle(int32_t x, int32_t y);

// The length of the longest prefix of `pattern` found in `range`, and in `*position` where
// it starts (the first such place); 0 when not even the first byte is found.
[[nodiscard]] size_t AUX_FindLongestMatch(const uint8_t* range, size_t rangeLength,
                                          const uint8_t* pattern, size_t patternLength,
                                          size_t* position);
// A new array of the starts of the LF-separated lines of `text` (a final LF starts no new
// line); with `cut` the LFs become NULs. Returns the count; 0 with `*lines` NULL for an
// empty text or a failed allocation. Free the array with MEM_Free.
[[nodiscard]] uint32_t AUX_SplitLines(char* text, char*** lines, bool cut);
// A new array of the integers lo..hi in random order (rand); NULL when hi < lo, the count
// does not fit, or on failure. Free with MEM_Free.
[[nodiscard]] int32_t* AUX_Shuffle(int32_t lo, int32_t hi);
// The index of `text` in `texts` plus `offset`; -1 when absent or not below `count`.
[[nodiscard]] int32_t AUX_IndexOfString(const char* const* texts, int32_t count, const char* text,
                                        int32_t offset);

// A log bound to a file name; NULL on failure. Close with AUX_CloseLog.
[[nodiscard]] AUX_Log* AUX_CreateLog(const char* name);
// Opens the file ("w+") on the first write; false when it cannot be opened or written.
[[nodiscard]] bool AUX_WriteLog(AUX_Log* log, const char* text);
void AUX_CloseLog(AUX_Log* log);
// Frees both blocks and the pair; NULL is ignored.
void AUX_FreePair(AUX_Pair* pair);
// MEM_Free; NULL is ignored.
void AUX_Free(void* block);
