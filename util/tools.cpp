#include "util/tools.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "util/mem.h"

int32_t AUX_Sine[AUX_ANGLES + 1];
int32_t AUX_Cosine[AUX_ANGLES + 1];
int16_t AUX_ArcCosine[2 * AUX_TRIG_ONE + 1];
int16_t AUX_ArcSine[2 * AUX_TRIG_ONE + 1];

namespace {

constexpr uint8_t SCRAMBLE_KEY = 0x3D;
constexpr double TWO_PI = 6.283185307179586;
constexpr double ONE_1024TH = 0.0009765625;
constexpr double SCALE = 1024.0;

bool is_digit(char c)
{
    auto u = static_cast<unsigned char>(c);
    return u >= '0' && u <= '9';
}

int hex_value(char c)
{
    auto u = static_cast<unsigned char>(c);
    if (u >= '0' && u <= '9') {
        return u - '0';
    }
    if (u >= 'a' && u <= 'f') {
        return u - 'a' + 10;
    }
    if (u >= 'A' && u <= 'F') {
        return u - 'A' + 10;
    }
    return -1;
}

// Digits come out backwards; a local buffer keeps the writers re-entrant.
char* write_digits(uint32_t value, uint32_t base, char* dest)
{
    static constexpr char digits[] = "0123456789ABCDEF";
    char scratch[12];
    int n = 0;
    do {
        scratch[n++] = digits[value % base];
        value /= base;
    } while (value != 0);
    while (n > 0) {
        *dest++ = scratch[--n];
    }
    return dest;
}

}  // namespace

char* AUX_UIntToDec(uint32_t value, char* dest)
{
    if (dest == nullptr) {
        return nullptr;
    }
    return write_digits(value, 10, dest);
}

char* AUX_IntToDec(int32_t value, char* dest)
{
    if (dest == nullptr) {
        return nullptr;
    }
    auto magnitude = static_cast<uint32_t>(value);
    if (value < 0) {
        *dest++ = '-';
        magnitude = 0u - magnitude;
    }
    return write_digits(magnitude, 10, dest);
}

char* AUX_UIntToHex(uint32_t value, char* dest)
{
    if (dest == nullptr) {
        return nullptr;
    }
    *dest++ = '0';
    *dest++ = 'x';
    return write_digits(value, 16, dest);
}

uint32_t AUX_DecToUInt(const char* text)
{
    uint32_t value = 0;
    if (text == nullptr) {
        return 0;
    }
    for (; is_digit(*text); text++) {
        value = value * 10u + static_cast<uint32_t>(*text - '0');
    }
    return value;
}

uint32_t AUX_HexToUInt(const char* text, uint32_t fallback)
{
    if (text == nullptr || text[0] != '0' || text[1] != 'x') {
        return fallback;
    }
    uint32_t value = 0;
    for (text += 2; hex_value(*text) >= 0; text++) {
        value = (value << 4) | static_cast<uint32_t>(hex_value(*text));
    }
    return value;
}

const char* AUX_SkipBlanks(const char* text)
{
    while (text != nullptr && (*text == ' ' || *text == '\t')) {
        text++;
    }
    return text;
}

const char* AUX_SkipSpaces(const char* text)
{
    while (text != nullptr && *text == ' ') {
        text++;
    }
    return text;
}

const char* AUX_SkipWord(const char* text)
{
    while (text != nullptr && *text != ' ' && *text != '\t' && *text != '\n' && *text != '\0') {
        text++;
    }
    return text;
}

const char* AUX_SkipNumber(const char* text)
{
    if (text == nullptr) {
        return nullptr;
    }
    if (*text == '-') {
        text++;
    }
    while (is_digit(*text)) {
        text++;
    }
    return text;
}

void AUX_CopyString(const char* source, char* dest, int32_t maximum)
{
    if (source == nullptr || dest == nullptr || maximum < 0) {
        return;
    }
    for (int32_t i = 0;; i++) {
        if (maximum != 0 && i == maximum) {
            dest[i] = '\0';
            return;
        }
        dest[i] = source[i];
        if (source[i] == '\0') {
            return;
        }
    }
}

char* AUX_DupString(const char* source, char* dest, int32_t maximum)
{
    if (source == nullptr || maximum < 0) {
        return dest != nullptr && source != nullptr ? dest : nullptr;
    }
    if (dest == nullptr) {
        size_t size = maximum != 0 ? static_cast<size_t>(maximum) + 1 : strlen(source) + 1;
        dest = static_cast<char*>(MEM_Alloc(size));
        if (dest == nullptr) {
            return nullptr;
        }
    }
    AUX_CopyString(source, dest, maximum);
    return dest;
}

void AUX_ToLower(char* text)
{
    for (; text != nullptr && *text != '\0'; text++) {
        if (*text >= 'A' && *text <= 'Z') {
            *text = static_cast<char>(*text - 'A' + 'a');
        }
    }
}

void AUX_ToUpper(char* text)
{
    for (; text != nullptr && *text != '\0'; text++) {
        if (*text >= 'a' && *text <= 'z') {
            *text = static_cast<char>(*text - 'a' + 'A');
        }
    }
}

namespace {

AUX_Tag* find_tag(const AUX_Tag* list, uintptr_t tag)
{
    if (list == nullptr || tag == 0) {
        return nullptr;
    }
    for (; list->tag != 0; list++) {
        if (list->tag == tag) {
            return const_cast<AUX_Tag*>(list);
        }
    }
    return nullptr;
}

}  // namespace

uintptr_t AUX_GetTag(const AUX_Tag* list, uintptr_t tag, uintptr_t* value)
{
    AUX_Tag* pair = find_tag(list, tag);
    if (pair == nullptr) {
        return 0;
    }
    if (value != nullptr) {
        *value = pair->value;
    }
    return tag;
}

uintptr_t AUX_SetTag(AUX_Tag* list, uintptr_t tag, uintptr_t value)
{
    AUX_Tag* pair = find_tag(list, tag);
    if (pair == nullptr) {
        return 0;
    }
    pair->value = value;
    return tag;
}

uintptr_t AUX_OrTag(AUX_Tag* list, uintptr_t tag, uintptr_t bits)
{
    AUX_Tag* pair = find_tag(list, tag);
    if (pair == nullptr) {
        return 0;
    }
    pair->value |= bits;
    return tag;
}

namespace {

// Counts every character even past the end, so that the caller learns the length the
// whole path would have had without anything being written out of bounds.
struct PathWriter {
    char* dest;
    size_t size;
    size_t length;
    char last;

    void put(char c)
    {
        if (length < size) {
            dest[length] = c;
        }
        length++;
        last = c;
    }
};

}  // namespace

bool AUX_JoinPathList(char* dest, size_t size, char separator, unsigned flags, const char* const* parts)
{
    if (dest == nullptr || size == 0) {
        return false;
    }
    PathWriter out{dest, size, 0, '\0'};
    if ((flags & AUX_JOIN_LEADING) != 0) {
        out.put(separator);
    }
    for (size_t i = 0; parts != nullptr && parts[i] != nullptr; i++) {
        for (const char* p = parts[i]; *p != '\0'; p++) {
            out.put(*p);
        }
        if (i > 0 || (flags & AUX_JOIN_AFTER_FIRST) != 0) {
            out.put(separator);
        }
    }
    if ((flags & AUX_JOIN_TRAILING) == 0) {
        if (out.length > 0 && out.last == separator) {
            out.length--;
        }
    } else if (out.length > 0 && out.last != separator) {
        out.put(separator);
    }
    if (out.length >= size) {
        dest[0] = '\0';
        return false;
    }
    dest[out.length] = '\0';
    return true;
}

bool AUX_JoinPath(char* dest, size_t size, char separator, unsigned flags, ...)
{
    enum { MAX_PARTS = 16 };
    const char* parts[MAX_PARTS + 1];
    size_t count = 0;
    va_list args;
    va_start(args, flags);
    for (const char* part = va_arg(args, const char*); part != nullptr; part = va_arg(args, const char*)) {
        if (count == MAX_PARTS) {
            va_end(args);
            if (dest != nullptr && size > 0) {
                dest[0] = '\0';
            }
            return false;
        }
        parts[count++] = part;
    }
    va_end(args);
    parts[count] = nullptr;
    return AUX_JoinPathList(dest, size, separator, flags, parts);
}

namespace {

bool is_regular_file(const char* path)
{
    struct stat info;
    return stat(path, &info) == 0 && S_ISREG(info.st_mode);
}

}  // namespace

bool AUX_FindThemeFile(const char* part1, const char* part2, const char* theme, const char* file,
                       char* dest, size_t size)
{
    if (part1 == nullptr || part2 == nullptr || theme == nullptr || file == nullptr) {
        return false;
    }
    if (AUX_JoinPath(dest, size, '/', 0, part1, part2, theme, file, nullptr) && is_regular_file(dest)) {
        return true;
    }
    return AUX_JoinPath(dest, size, '/', 0, part1, part2, "default", file, nullptr) &&
           is_regular_file(dest);
}

void* AUX_ReadFile(const char* name, void* buffer, uint32_t* size, uint32_t extra)
{
    if (name == nullptr || (buffer != nullptr && size == nullptr)) {
        return nullptr;
    }
    // Opened without blocking, so that a FIFO or a device under the name cannot hold the
    // caller up; such a file is then refused as no regular file.
    const int fd = open(name, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return nullptr;
    }
    FILE* file = fdopen(fd, "rb");
    if (file == nullptr) {
        close(fd);
        return nullptr;
    }
    struct stat info;
    if (fstat(fileno(file), &info) != 0 || !S_ISREG(info.st_mode) ||
        static_cast<uint64_t>(info.st_size) + extra > UINT32_MAX) {
        fclose(file);
        return nullptr;
    }
    auto length = static_cast<uint32_t>(info.st_size);
    auto* data = static_cast<uint8_t*>(buffer);
    if (data != nullptr) {
        if (static_cast<uint64_t>(length) + extra > *size) {
            fclose(file);
            return nullptr;
        }
    } else {
        // One byte more than asked for keeps a zero-length request from allocating nothing.
        data = static_cast<uint8_t*>(MEM_Alloc(static_cast<size_t>(length) + extra + 1));
        if (data == nullptr) {
            fclose(file);
            return nullptr;
        }
    }
    size_t got = fread(data, 1, length, file);
    // A file that grew since fstat would be cut silently: ask for one more byte.
    bool whole = got == length && fgetc(file) == EOF && !ferror(file);
    fclose(file);
    if (!whole) {
        if (data != buffer) {
            MEM_Free(data);
        }
        return nullptr;
    }
    memset(data + length, 0, extra);
    if (size != nullptr) {
        *size = length;
    }
    return data;
}

AUX_FileState AUX_CheckFile(const char* name)
{
    if (name == nullptr) {
        errno = EINVAL;
        return AUX_FILE_UNUSABLE;
    }
    const int fd = open(name, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return errno == ENOENT ? AUX_FILE_MISSING : AUX_FILE_UNUSABLE;
    }
    struct stat info;
    const bool regular = fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
    close(fd);
    if (!regular) {
        errno = EINVAL;
        return AUX_FILE_UNUSABLE;
    }
    return AUX_FILE_READABLE;
}

namespace {

bool write_all(int fd, const uint8_t* data, size_t length)
{
    while (length > 0) {
        ssize_t n = write(fd, data, length);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        data += n;
        length -= static_cast<size_t>(n);
    }
    return true;
}

// A new file gets the permissions open(2) would have given it; an existing one keeps its own.
mode_t mode_for(const char* name)
{
    struct stat info;
    if (stat(name, &info) == 0) {
        return info.st_mode & 07777;
    }
    mode_t mask = umask(0);
    umask(mask);
    return 0666 & ~mask;
}

}  // namespace

bool AUX_WriteFile(const char* name, const void* data, uint32_t length)
{
    if (name == nullptr || name[0] == '\0' || data == nullptr || length == 0) {
        return false;
    }
    static constexpr char suffix[] = ".XXXXXX";
    size_t nameLength = strlen(name);
    auto* temp = static_cast<char*>(MEM_Alloc(nameLength + sizeof suffix));
    if (temp == nullptr) {
        return false;
    }
    memcpy(temp, name, nameLength);
    memcpy(temp + nameLength, suffix, sizeof suffix);
    int fd = mkstemp(temp);
    if (fd < 0) {
        MEM_Free(temp);
        return false;
    }
    bool ok = fchmod(fd, mode_for(name)) == 0 && write_all(fd, static_cast<const uint8_t*>(data), length) &&
              fsync(fd) == 0;
    ok = close(fd) == 0 && ok;
    ok = ok && rename(temp, name) == 0;
    if (!ok) {
        unlink(temp);
    }
    MEM_Free(temp);
    return ok;
}

namespace {

uint32_t first_key(uint32_t n)
{
    return (n ^ SCRAMBLE_KEY ^ (n >> 24) ^ ((n >> 8) + (n >> 16))) & 255u;
}

}  // namespace

void AUX_Scramble(void* buffer, uint32_t length)
{
    if (buffer == nullptr || length == 0) {
        return;
    }
    auto* bytes = static_cast<uint8_t*>(buffer);
    uint32_t k = first_key(length);
    uint32_t c = (length - 1) & 255u;
    for (uint32_t i = 0; i < length; i++) {
        uint32_t plain = bytes[i];
        bytes[i] = static_cast<uint8_t>(plain ^ k);
        k = (k + (plain ^ c)) & 255u;
        c = (c - 1) & 255u;
    }
}

void AUX_Unscramble(void* buffer, uint32_t length)
{
    if (buffer == nullptr || length == 0) {
        return;
    }
    auto* bytes = static_cast<uint8_t*>(buffer);
    uint32_t k = first_key(length);
    uint32_t c = (length - 1) & 255u;
    for (uint32_t i = 0; i < length; i++) {
        uint32_t plain = bytes[i] ^ k;
        bytes[i] = static_cast<uint8_t>(plain);
        k = (k + (plain ^ c)) & 255u;
        c = (c - 1) & 255u;
    }
}

uint8_t AUX_IsBigEndian()
{
    const uint32_t word = 0xFFAA5500u;
    uint8_t first;
    memcpy(&first, &word, 1);
    return first;
}

uint32_t AUX_Swap32(uint32_t value)
{
    return (value >> 24) | ((value >> 8) & 0xFF00u) | ((value << 8) & 0xFF0000u) | (value << 24);
}

void* AUX_SwapBuffer(const void* source, void* dest, size_t size, uint32_t elementSize)
{
    if (source == nullptr || (elementSize != 2 && elementSize != 4) || size % elementSize != 0) {
        return nullptr;
    }
    if (dest == nullptr) {
        dest = MEM_Alloc(size > 0 ? size : 1);
        if (dest == nullptr) {
            return nullptr;
        }
    }
    const auto* in = static_cast<const uint8_t*>(source);
    auto* out = static_cast<uint8_t*>(dest);
    for (size_t i = 0; i < size; i += elementSize) {
        uint8_t element[4];
        memcpy(element, in + i, elementSize);
        for (uint32_t b = 0; b < elementSize; b++) {
            out[i + b] = element[elementSize - 1 - b];
        }
    }
    return dest;
}

void AUX_InitTrigTables()
{
    for (int i = 0; i <= AUX_ANGLES; i++) {
        double a = i * TWO_PI * ONE_1024TH;
        double s = sin(a) * SCALE;
        double c = cos(a) * SCALE;
        AUX_Sine[i] = static_cast<int32_t>(s >= 0 ? s + 0.5 : s - 0.5);
        AUX_Cosine[i] = static_cast<int32_t>(c >= 0 ? c + 0.5 : c - 0.5);
    }
    for (int c = -AUX_TRIG_ONE; c <= AUX_TRIG_ONE; c++) {
        double x = c * ONE_1024TH;
        AUX_ArcCosine[c + AUX_TRIG_ONE] = static_cast<int16_t>(acos(x) * SCALE / TWO_PI);
        double v = asin(x) * SCALE / TWO_PI;
        AUX_ArcSine[c + AUX_TRIG_ONE] = static_cast<int16_t>(v >= 0 ? v : v + SCALE);
    }
}

void AUX_Rotate(int32_t* x, int32_t* y, uint32_t angle)
{
    if (x == nullptr || y == nullptr) {
        return;
    }
    angle %= AUX_ANGLES;
    // 64-bit products: a 16.16 position times 1024 does not fit 32 bits.
    int64_t s = AUX_Sine[angle];
    int64_t c = AUX_Cosine[angle];
    int64_t px = *x;
    int64_t py = *y;
    *x = static_cast<int32_t>((c * px - s * py) / AUX_TRIG_ONE);
    *y = static_cast<int32_t>((s * px + c * py) / AUX_TRIG_ONE);
}

uint32_t AUX_VectorAngle(int32_t x, int32_t y)
{
    double fx = x;
    double fy = y;
    double length = sqrt(fx * fx + fy * fy);
    if (length == 0) {
        return 0;
    }
    auto c = static_cast<int32_t>(fx * SCALE / length);
    auto s = static_cast<int32_t>(fy * SCALE / length);
    // Rounding may step a hair outside the table.
    c = c < -AUX_TRIG_ONE ? -AUX_TRIG_ONE : (c > AUX_TRIG_ONE ? AUX_TRIG_ONE : c);
    uint32_t angle = static_cast<uint32_t>(AUX_ArcCosine[c + AUX_TRIG_ONE]);
    if (s < 0) {
        angle = AUX_ANGLES - angle;
    }
    return angle % AUX_ANGLES;
}

size_t AUX_FindLongestMatch(const uint8_t* range, size_t rangeLength, const uint8_t* pattern,
                            size_t patternLength, size_t* position)
{
    size_t best = 0;
    size_t bestAt = 0;
    if (range == nullptr || pattern == nullptr) {
        return 0;
    }
    for (size_t start = 0; start < rangeLength && best < patternLength; start++) {
        size_t n = 0;
        while (n < patternLength && start + n < rangeLength && range[start + n] == pattern[n]) {
            n++;
        }
        if (n > best) {
            best = n;
            bestAt = start;
        }
    }
    if (position != nullptr && best > 0) {
        *position = bestAt;
    }
    return best;
}

uint32_t AUX_SplitLines(char* text, char*** lines, bool cut)
{
    if (lines == nullptr) {
        return 0;
    }
    *lines = nullptr;
    if (text == nullptr || text[0] == '\0') {
        return 0;
    }
    uint32_t count = 1;
    for (const char* p = text; *p != '\0'; p++) {
        if (*p == '\n' && p[1] != '\0') {
            count++;
        }
    }
    auto** starts = static_cast<char**>(MEM_Alloc(sizeof(char*) * count));
    if (starts == nullptr) {
        return 0;
    }
    uint32_t n = 0;
    starts[n++] = text;
    for (char* p = text; *p != '\0'; p++) {
        if (*p == '\n') {
            if (p[1] != '\0') {
                starts[n++] = p + 1;
            }
            if (cut) {
                *p = '\0';
            }
        }
    }
    *lines = starts;
    return count;
}

int32_t* AUX_Shuffle(int32_t lo, int32_t hi)
{
    if (hi < lo) {
        return nullptr;
    }
    int64_t count = static_cast<int64_t>(hi) - lo + 1;
    if (count > INT32_MAX) {
        return nullptr;
    }
    auto* values = static_cast<int32_t*>(MEM_Alloc(sizeof(int32_t) * static_cast<size_t>(count)));
    if (values == nullptr) {
        return nullptr;
    }
    for (int64_t i = 0; i < count; i++) {
        values[i] = static_cast<int32_t>(lo + i);
    }
    for (int64_t i = 0; i < count; i++) {
        int64_t j = i + rand() % (count - i);
        int32_t t = values[i];
        values[i] = values[j];
        values[j] = t;
    }
    return values;
}

int32_t AUX_IndexOfString(const char* const* texts, int32_t count, const char* text, int32_t offset)
{
    if (texts == nullptr || text == nullptr) {
        return -1;
    }
    for (int32_t i = 0; i < count; i++) {
        if (texts[i] != nullptr && strcmp(texts[i], text) == 0) {
            int64_t result = static_cast<int64_t>(i) + offset;
            return result >= 0 && result < count ? static_cast<int32_t>(result) : -1;
        }
    }
    return -1;
}

AUX_Log* AUX_CreateLog(const char* name)
{
    if (name == nullptr) {
        return nullptr;
    }
    auto* log = static_cast<AUX_Log*>(MEM_Alloc(sizeof(AUX_Log)));
    if (log == nullptr) {
        return nullptr;
    }
    log->name = MEM_StrDup(name);
    log->file = nullptr;
    if (log->name == nullptr) {
        MEM_Free(log);
        return nullptr;
    }
    return log;
}

bool AUX_WriteLog(AUX_Log* log, const char* text)
{
    if (log == nullptr || text == nullptr) {
        return false;
    }
    if (log->file == nullptr) {
        log->file = fopen(log->name, "w+");
        if (log->file == nullptr) {
            return false;
        }
    }
    return fputs(text, static_cast<FILE*>(log->file)) >= 0;
}

void AUX_CloseLog(AUX_Log* log)
{
    if (log == nullptr) {
        return;
    }
    if (log->file != nullptr) {
        fclose(static_cast<FILE*>(log->file));
    }
    MEM_Free(log->name);
    MEM_Free(log);
}

void AUX_FreePair(AUX_Pair* pair)
{
    if (pair == nullptr) {
        return;
    }
    MEM_Free(pair->first);
    MEM_Free(pair->second);
    MEM_Free(pair);
}

void AUX_Free(void* block)
{
    MEM_Free(block);
}
