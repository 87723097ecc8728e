#include <gtest/gtest.h>

#include <dirent.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <algorithm>
#include <string>
#include <vector>

#include "tests/support/alloc_check.h"
#include "util/mem.h"
#include "util/tools.h"

namespace {

std::string written(char* (*writer)(uint32_t, char*), uint32_t value)
{
    char buffer[16];
    memset(buffer, '#', sizeof buffer);
    char* end = writer(value, buffer);
    EXPECT_EQ(*end, '#') << "the writers put no NUL";
    return std::string(buffer, end);
}

std::string written_signed(int32_t value)
{
    char buffer[16];
    memset(buffer, '#', sizeof buffer);
    char* end = AUX_IntToDec(value, buffer);
    EXPECT_EQ(*end, '#');
    return std::string(buffer, end);
}

std::string join(unsigned flags, std::vector<const char*> parts, size_t size = AUX_PATH_SIZE, bool* ok = nullptr)
{
    parts.push_back(nullptr);
    std::vector<char> dest(size + 8, '#');
    bool result = AUX_JoinPathList(dest.data(), size, '/', flags, parts.data());
    for (size_t i = size; i < size + 8; i++) {
        EXPECT_EQ(dest[i], '#') << "written past the buffer at " << i;
    }
    if (ok != nullptr) {
        *ok = result;
    }
    return dest.data();
}

// A fresh folder per test so that leftover temporary files can be counted.
class TempFolder {
public:
    TempFolder()
    {
        char pattern[] = "/tmp/zaf_tools_XXXXXX";
        const char* made = mkdtemp(pattern);
        path_ = made != nullptr ? made : "";
    }
    ~TempFolder()
    {
        std::string command = "rm -rf '" + path_ + "'";
        if (!path_.empty() && system(command.c_str()) != 0) {
            ADD_FAILURE() << "could not remove " << path_;
        }
    }
    std::string file(const char* name) const { return path_ + "/" + name; }
    const std::string& path() const { return path_; }
    int entries() const
    {
        int count = 0;
        DIR* dir = opendir(path_.c_str());
        for (dirent* e = dir != nullptr ? readdir(dir) : nullptr; e != nullptr; e = readdir(dir)) {
            count += strcmp(e->d_name, ".") != 0 && strcmp(e->d_name, "..") != 0;
        }
        if (dir != nullptr) {
            closedir(dir);
        }
        return count;
    }

private:
    std::string path_;
};

void put_file(const std::string& path, const std::string& bytes)
{
    FILE* f = fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr) << path;
    fwrite(bytes.data(), 1, bytes.size(), f);
    fclose(f);
}

std::string file_text(const std::string& path)
{
    std::string out;
    FILE* f = fopen(path.c_str(), "rb");
    if (f == nullptr) {
        return "<missing>";
    }
    int c;
    while ((c = fgetc(f)) != EOF) {
        out += static_cast<char>(c);
    }
    fclose(f);
    return out;
}

std::vector<uint8_t> pattern_bytes(size_t n)
{
    std::vector<uint8_t> bytes(n);
    for (size_t i = 0; i < n; i++) {
        bytes[i] = static_cast<uint8_t>(i * 37 + (i >> 3));
    }
    return bytes;
}

}  // namespace

TEST(Tools, NumberWritersAndReaders)
{
    EXPECT_EQ(written(AUX_UIntToHex, 0), "0x0");
    EXPECT_EQ(written(AUX_UIntToHex, 2748), "0xABC");
    EXPECT_EQ(written(AUX_UIntToHex, 0xFFFFFFFFu), "0xFFFFFFFF");
    EXPECT_EQ(written(AUX_UIntToDec, 0), "0");
    EXPECT_EQ(written(AUX_UIntToDec, 4294967295u), "4294967295");
    EXPECT_EQ(written_signed(-5), "-5");
    EXPECT_EQ(written_signed(0), "0");
    EXPECT_EQ(written_signed(INT32_MIN), "-2147483648") << "the most negative value has no positive twin";
    EXPECT_EQ(written_signed(INT32_MAX), "2147483647");

    EXPECT_EQ(AUX_DecToUInt("12ab"), 12u);
    EXPECT_EQ(AUX_DecToUInt(" 12"), 0u) << "no blanks are skipped";
    EXPECT_EQ(AUX_DecToUInt("-3"), 0u) << "no sign";
    EXPECT_EQ(AUX_DecToUInt("4294967296"), 0u) << "overflow wraps";
    EXPECT_EQ(AUX_DecToUInt("\xB2"), 0u) << "a Latin-1 superscript two is no digit";
    EXPECT_EQ(AUX_HexToUInt("0X1F", 77), 77u) << "upper-case X is not accepted";
    EXPECT_EQ(AUX_HexToUInt("0x1f", 77), 31u);
    EXPECT_EQ(AUX_HexToUInt("0xAbZ9", 77), 0xABu) << "the first other character ends the number";
    EXPECT_EQ(AUX_HexToUInt("0x", 77), 0u);
    EXPECT_EQ(AUX_HexToUInt("0x/", 77), 0u);
    EXPECT_EQ(AUX_HexToUInt("1F", 77), 77u);
    EXPECT_EQ(AUX_HexToUInt("", 77), 77u);
    EXPECT_EQ(AUX_HexToUInt("0x\xE1", 77), 0u);
}

TEST(Tools, SkippingStopsAtTheRightCharacter)
{
    const char* text = " \t a";
    EXPECT_EQ(AUX_SkipBlanks(text), text + 3);
    EXPECT_EQ(AUX_SkipSpaces(text), text + 1) << "a tab is not a space";
    const char* word = "ab\tc";
    EXPECT_EQ(AUX_SkipWord(word), word + 2);
    const char* line = "ab\ncd";
    EXPECT_EQ(AUX_SkipWord(line), line + 2);
    const char* blank = " x";
    EXPECT_EQ(AUX_SkipWord(blank), blank) << "a text starting with a space is its own end";
    const char* last = "abc";
    EXPECT_EQ(AUX_SkipWord(last), last + 3);
    const char* number = "-12x";
    EXPECT_EQ(AUX_SkipNumber(number), number + 3);
    const char* dash = "-x";
    EXPECT_EQ(AUX_SkipNumber(dash), dash + 1) << "a lone '-' is skipped";
    const char* high = "\xA0x";
    EXPECT_EQ(AUX_SkipBlanks(high), high) << "a Latin-1 no-break space is no blank";
    EXPECT_EQ(AUX_SkipBlanks(nullptr), nullptr);
}

TEST(Tools, CopyingHonoursTheLimit)
{
    char dest[8];
    memset(dest, '#', sizeof dest);
    AUX_CopyString("hello", dest, 0);
    EXPECT_STREQ(dest, "hello");
    memset(dest, '#', sizeof dest);
    AUX_CopyString("hello", dest, 3);
    EXPECT_EQ(std::string(dest, 5), std::string("hel\0#", 5)) << "a cut copy gets its NUL at maximum";
    memset(dest, '#', sizeof dest);
    AUX_CopyString("hi", dest, 5);
    EXPECT_STREQ(dest, "hi");
    EXPECT_EQ(dest[3], '#') << "nothing after the NUL of a short text";
    AUX_CopyString("hello", dest, -1);
    EXPECT_EQ(dest[0], 'h') << "a negative maximum copies nothing";

    int64_t bytes = MEM_LiveBytes();
    char* copy = AUX_DupString("hello", nullptr, 3);
    ASSERT_NE(copy, nullptr);
    EXPECT_STREQ(copy, "hel");
    EXPECT_EQ(MEM_LiveBytes() - bytes, 4) << "maximum + 1 bytes";
    AUX_Free(copy);
    copy = AUX_DupString("hello", nullptr, 0);
    ASSERT_NE(copy, nullptr);
    EXPECT_STREQ(copy, "hello");
    EXPECT_EQ(MEM_LiveBytes() - bytes, 6) << "the source's length + 1 bytes";
    AUX_Free(copy);
    EXPECT_EQ(AUX_DupString("hello", dest, 2), dest);
    EXPECT_STREQ(dest, "he");
    MEM_FailAt(1);
    EXPECT_EQ(AUX_DupString("hello", nullptr, 0), nullptr);
    MEM_FailAt(0);
    EXPECT_EQ(MEM_LiveBytes(), bytes);

    char mixed[] = "Ab\xC4z!";
    AUX_ToUpper(mixed);
    EXPECT_STREQ(mixed, "AB\xC4Z!") << "only ASCII letters change";
    AUX_ToLower(mixed);
    EXPECT_STREQ(mixed, "ab\xC4z!");
}

TEST(Tools, TagListsFindTheFirstPairAndHoldAddresses)
{
    static int variable;
    const auto address = reinterpret_cast<uintptr_t>(&variable);
    AUX_Tag list[] = {{1, address}, {2, 0x10}, {1, 5}, {0, 0}, {3, 9}};
    uintptr_t value = 123;
    EXPECT_EQ(AUX_GetTag(list, 1, &value), 1u);
    EXPECT_EQ(reinterpret_cast<int*>(value), &variable) << "a whole 64-bit address survives";
    EXPECT_EQ(AUX_GetTag(list, 3, &value), 0u) << "the list ends at tag 0";
    EXPECT_EQ(reinterpret_cast<int*>(value), &variable) << "an absent tag leaves the value alone";
    EXPECT_EQ(AUX_SetTag(list, 1, 42), 1u);
    EXPECT_EQ(list[0].value, 42u);
    EXPECT_EQ(list[2].value, 5u) << "only the first pair changes";
    EXPECT_EQ(AUX_OrTag(list, 2, 0x3), 2u);
    EXPECT_EQ(list[1].value, 0x13u);
    EXPECT_EQ(AUX_OrTag(list, 7, 1), 0u);
    EXPECT_EQ(AUX_SetTag(nullptr, 1, 1), 0u);
}

TEST(Tools, JoiningPathsWithEachFlag)
{
    EXPECT_EQ(join(0, {"a/", "b"}), "a/b");
    EXPECT_EQ(join(0, {"PROGDIR:", "themes", "name", "descriptor.txt"}), "PROGDIR:themes/name/descriptor.txt");
    EXPECT_EQ(join(AUX_JOIN_AFTER_FIRST, {"a", "b"}), "a/b");
    EXPECT_EQ(join(AUX_JOIN_TRAILING, {"a"}), "a/");
    EXPECT_EQ(join(AUX_JOIN_TRAILING, {"a/"}), "a/") << "no second separator at the end";
    EXPECT_EQ(join(AUX_JOIN_LEADING, {"a", "b"}), "/ab") << "the first part stays a prefix";
    EXPECT_EQ(join(AUX_JOIN_LEADING | AUX_JOIN_AFTER_FIRST, {"usr", "lib"}), "/usr/lib");
    EXPECT_EQ(join(AUX_JOIN_LEADING | AUX_JOIN_AFTER_FIRST | AUX_JOIN_TRAILING, {"usr", "lib"}), "/usr/lib/");
    EXPECT_EQ(join(AUX_JOIN_AFTER_FIRST, {"a//", "b"}), "a///b") << "separators are never merged";
    EXPECT_EQ(join(AUX_JOIN_TRAILING, {}), "") << "an empty result stays empty";
    EXPECT_EQ(join(AUX_JOIN_LEADING, {}), "") << "the lone separator is the one at the end";

    bool ok = false;
    EXPECT_EQ(join(AUX_JOIN_AFTER_FIRST, {"ab", "cd"}, 6, &ok), "ab/cd");
    EXPECT_TRUE(ok) << "five characters and the NUL fit six bytes";
    EXPECT_EQ(join(AUX_JOIN_AFTER_FIRST, {"ab", "cd"}, 5, &ok), "");
    EXPECT_FALSE(ok) << "a path that does not fit fails";
    EXPECT_EQ(join(AUX_JOIN_AFTER_FIRST | AUX_JOIN_TRAILING, {"ab", "cd"}, 6, &ok), "");
    EXPECT_FALSE(ok);
    std::string longPart(AUX_PATH_SIZE, 'x');
    EXPECT_EQ(join(0, {"PROGDIR:", longPart.c_str()}, AUX_PATH_SIZE, &ok), "");
    EXPECT_FALSE(ok);

    char dest[AUX_PATH_SIZE];
    EXPECT_TRUE(AUX_JoinPath(dest, sizeof dest, '/', 0, "PROGDIR:", "chart.raw", nullptr));
    EXPECT_STREQ(dest, "PROGDIR:chart.raw");
    EXPECT_FALSE(AUX_JoinPath(dest, sizeof dest, '/', 0, "1", "2", "3", "4", "5", "6", "7", "8", "9", "10", "11",
                              "12", "13", "14", "15", "16", "17", nullptr))
        << "more parts than the joiner takes fail instead of being dropped";
    EXPECT_STREQ(dest, "");
    EXPECT_FALSE(AUX_JoinPath(dest, 0, '/', 0, "a", nullptr));
}

TEST(Tools, ThemeFilesFallBackToTheDefaultTheme)
{
    TempFolder folder;
    ASSERT_EQ(mkdir(folder.file("themes").c_str(), 0755), 0);
    ASSERT_EQ(mkdir(folder.file("themes/default").c_str(), 0755), 0);
    ASSERT_EQ(mkdir(folder.file("themes/blue").c_str(), 0755), 0);
    put_file(folder.file("themes/default/a.bmp"), "A");
    put_file(folder.file("themes/blue/b.bmp"), "B");
    char dest[AUX_PATH_SIZE];
    std::string prefix = folder.path() + "/";
    EXPECT_TRUE(AUX_FindThemeFile(prefix.c_str(), "themes", "blue", "b.bmp", dest, sizeof dest));
    EXPECT_EQ(std::string(dest), prefix + "themes/blue/b.bmp");
    EXPECT_TRUE(AUX_FindThemeFile(prefix.c_str(), "themes", "blue", "a.bmp", dest, sizeof dest));
    EXPECT_EQ(std::string(dest), prefix + "themes/default/a.bmp");
    EXPECT_FALSE(AUX_FindThemeFile(prefix.c_str(), "themes", "blue", "c.bmp", dest, sizeof dest));
    EXPECT_EQ(std::string(dest), prefix + "themes/default/c.bmp") << "the last path tried";
    EXPECT_FALSE(AUX_FindThemeFile(prefix.c_str(), "themes", "default", "", dest, sizeof dest))
        << "a folder is not a file";
    EXPECT_FALSE(AUX_FindThemeFile(prefix.c_str(), "themes", "blue", "b.bmp", dest, 8))
        << "a path that does not fit counts as missing";
}

TEST(Tools, ReadingWholeFiles)
{
    TempFolder folder;
    std::string path = folder.file("data");
    put_file(path, std::string("abc\0def", 7));
    uint32_t size = 0;
    auto* data = static_cast<char*>(AUX_ReadFile(path.c_str(), nullptr, &size, 2));
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(size, 7u);
    EXPECT_EQ(std::string(data, 9), std::string("abc\0def\0\0", 9)) << "the extra bytes are zero";
    MEM_Free(data);

    char buffer[10];
    memset(buffer, '#', sizeof buffer);
    size = 8;
    EXPECT_EQ(AUX_ReadFile(path.c_str(), buffer, &size, 1), buffer);
    EXPECT_EQ(size, 7u);
    EXPECT_EQ(buffer[7], '\0');
    EXPECT_EQ(buffer[8], '#');
    size = 7;
    EXPECT_EQ(AUX_ReadFile(path.c_str(), buffer, &size, 1), nullptr) << "a file too big for the buffer fails";
    EXPECT_EQ(AUX_ReadFile(path.c_str(), buffer, nullptr, 1), nullptr) << "a buffer without its size is refused";

    put_file(folder.file("empty"), "");
    data = static_cast<char*>(AUX_ReadFile(folder.file("empty").c_str(), nullptr, &size, 1));
    ASSERT_NE(data, nullptr) << "an empty file reads as an empty text";
    EXPECT_EQ(size, 0u);
    EXPECT_EQ(data[0], '\0');
    MEM_Free(data);
    EXPECT_EQ(AUX_ReadFile(folder.file("missing").c_str(), nullptr, &size, 1), nullptr);
    EXPECT_EQ(AUX_ReadFile(folder.path().c_str(), nullptr, &size, 1), nullptr) << "a folder is not read";

    CheckEachAllocationFailure([&path] {
        uint32_t n = 0;
        void* read = AUX_ReadFile(path.c_str(), nullptr, &n, 0);
        MEM_Free(read);
        return read != nullptr;
    });
}

TEST(Tools, WritingReplacesTheFileOnlyWhenEverythingIsWritten)
{
    TempFolder folder;
    std::string path = folder.file("configuration.txt");
    ASSERT_TRUE(AUX_WriteFile(path.c_str(), "first\n", 6));
    EXPECT_EQ(file_text(path), "first\n");
    ASSERT_EQ(chmod(path.c_str(), 0640), 0);
    ASSERT_TRUE(AUX_WriteFile(path.c_str(), "second", 6));
    EXPECT_EQ(file_text(path), "second");
    struct stat info;
    ASSERT_EQ(stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0640u) << "a rewritten file keeps its permissions";

    EXPECT_FALSE(AUX_WriteFile(path.c_str(), "x", 0));
    EXPECT_FALSE(AUX_WriteFile(path.c_str(), nullptr, 3));
    EXPECT_FALSE(AUX_WriteFile(nullptr, "x", 1));
    EXPECT_FALSE(AUX_WriteFile("", "x", 1));
    EXPECT_EQ(file_text(path), "second") << "refused writes leave the file alone";

    EXPECT_FALSE(AUX_WriteFile(folder.file("missing/file").c_str(), "x", 1)) << "a missing folder";
    EXPECT_FALSE(AUX_WriteFile((path + "/inside").c_str(), "x", 1)) << "a file used as a folder";

    // A file size limit stands in for a full disk: the write stops part-way.
    std::string big(4096, 'b');
    struct rlimit old;
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    struct rlimit small = old;
    small.rlim_cur = 1000;
    void (*oldHandler)(int) = signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    bool fullDisk = AUX_WriteFile(path.c_str(), big.data(), static_cast<uint32_t>(big.size()));
    setrlimit(RLIMIT_FSIZE, &old);
    signal(SIGXFSZ, oldHandler);
    EXPECT_FALSE(fullDisk) << "a short write is a failure";
    EXPECT_EQ(file_text(path), "second") << "the old file survives a failed write";
    EXPECT_EQ(folder.entries(), 1) << "no temporary file is left behind";

    if (geteuid() != 0) {
        ASSERT_EQ(chmod(folder.path().c_str(), 0555), 0);
        EXPECT_FALSE(AUX_WriteFile(path.c_str(), "x", 1)) << "a read-only folder";
        ASSERT_EQ(chmod(folder.path().c_str(), 0755), 0);
        EXPECT_EQ(file_text(path), "second");
    }

    MEM_FailAt(1);
    EXPECT_FALSE(AUX_WriteFile(path.c_str(), "third", 5));
    MEM_FailAt(0);
    EXPECT_EQ(file_text(path), "second");
}

TEST(Tools, ScramblingMatchesWorkedExamplesAndRoundTrips)
{
    uint8_t one[] = {0x41};
    AUX_Scramble(one, 1);
    EXPECT_EQ(one[0], 0x7D) << "k = 1 ^ 0x3D = 0x3C";
    uint8_t three[] = {0x00, 0x01, 0x02};
    AUX_Scramble(three, 3);
    EXPECT_EQ(three[0], 0x3E);
    EXPECT_EQ(three[1], 0x41) << "k grew by 0 ^ c(2)";
    EXPECT_EQ(three[2], 0x42) << "k grew by 1 ^ c(1) = 0";
    AUX_Unscramble(three, 3);
    EXPECT_EQ(three[0], 0x00);
    EXPECT_EQ(three[1], 0x01);
    EXPECT_EQ(three[2], 0x02);
    std::vector<uint8_t> wide(0x010203, 0);
    AUX_Scramble(wide.data(), static_cast<uint32_t>(wide.size()));
    EXPECT_EQ(wide[0], 0x3D) << "the higher bytes of the length enter the first key";

    for (uint32_t n : {1u, 200u, 4096u}) {
        std::vector<uint8_t> plain = pattern_bytes(n);
        std::vector<uint8_t> bytes = plain;
        AUX_Scramble(bytes.data(), n);
        if (n > 1) {
            EXPECT_NE(bytes, plain) << "length " << n;
        }
        AUX_Unscramble(bytes.data(), n);
        EXPECT_EQ(bytes, plain) << "length " << n;
    }
    std::vector<uint8_t> a = pattern_bytes(200);
    std::vector<uint8_t> b = a;
    b[10] ^= 1;
    AUX_Scramble(a.data(), 200);
    AUX_Scramble(b.data(), 200);
    EXPECT_EQ(memcmp(a.data(), b.data(), 10), 0);
    EXPECT_NE(memcmp(a.data() + 11, b.data() + 11, 189), 0) << "a changed byte changes what follows";
    AUX_Scramble(nullptr, 5);
}

TEST(Tools, ByteOrder)
{
    EXPECT_EQ(AUX_IsBigEndian(), 0) << "x86-64 and arm64 Linux are little-endian";
    EXPECT_EQ(AUX_Swap32(0x11223344u), 0x44332211u);
    uint8_t in[] = {1, 2, 3, 4, 5, 6, 7, 8};
    uint8_t out[8];
    EXPECT_EQ(AUX_SwapBuffer(in, out, 8, 2), out);
    EXPECT_EQ(std::vector<uint8_t>(out, out + 8), (std::vector<uint8_t>{2, 1, 4, 3, 6, 5, 8, 7}));
    EXPECT_EQ(AUX_SwapBuffer(in, in, 8, 4), in) << "in place";
    EXPECT_EQ(std::vector<uint8_t>(in, in + 8), (std::vector<uint8_t>{4, 3, 2, 1, 8, 7, 6, 5}));
    auto* fresh = static_cast<uint8_t*>(AUX_SwapBuffer(in, nullptr, 4, 2));
    ASSERT_NE(fresh, nullptr);
    EXPECT_EQ(fresh[0], 3);
    MEM_Free(fresh);
    EXPECT_EQ(AUX_SwapBuffer(in, out, 6, 4), nullptr) << "a size that is no multiple of the element";
    EXPECT_EQ(AUX_SwapBuffer(in, out, 8, 3), nullptr);
}

TEST(Tools, TrigonometryTables)
{
    AUX_InitTrigTables();
    EXPECT_EQ(AUX_Sine[0], 0);
    EXPECT_EQ(AUX_Sine[256], 1024);
    EXPECT_EQ(AUX_Sine[512], 0);
    EXPECT_EQ(AUX_Sine[768], -1024);
    EXPECT_EQ(AUX_Cosine[0], 1024);
    EXPECT_EQ(AUX_Cosine[256], 0);
    EXPECT_EQ(AUX_Cosine[512], -1024);
    EXPECT_EQ(AUX_Cosine[1024], 1024);
    EXPECT_EQ(AUX_Sine[128], 724);
    EXPECT_EQ(AUX_Sine[640], -724);
    EXPECT_EQ(AUX_Sine[3], 19) << "18.85 rounds up";
    EXPECT_EQ(AUX_Sine[1021], -19) << "-18.85 rounds away from zero";
    EXPECT_EQ(AUX_ArcCosine[1024], 256) << "acos(0) is a quarter turn";
    EXPECT_EQ(AUX_ArcCosine[0], 512);
    EXPECT_EQ(AUX_ArcCosine[2048], 0);
    EXPECT_EQ(AUX_ArcCosine[1024 + 512], 170) << "a sixth of a turn, truncated";
    EXPECT_EQ(AUX_ArcSine[1024], 0);
    EXPECT_EQ(AUX_ArcSine[2048], 256);
    EXPECT_EQ(AUX_ArcSine[0], 768) << "negative arc sines wrap into the turn";
    EXPECT_EQ(AUX_ArcSine[1024 - 512], 938);
    for (int i = 0; i <= 1024; i++) {
        int64_t r = int64_t{AUX_Sine[i]} * AUX_Sine[i] + int64_t{AUX_Cosine[i]} * AUX_Cosine[i];
        EXPECT_NEAR(static_cast<double>(r), 1024.0 * 1024.0, 2100.0) << "angle " << i;
        EXPECT_EQ(AUX_Sine[i], -AUX_Sine[(1024 - i) % 1024]) << "angle " << i;
    }
}

TEST(Tools, RotatingPointsAndMeasuringAngles)
{
    AUX_InitTrigTables();
    int32_t x = 1000;
    int32_t y = 0;
    AUX_Rotate(&x, &y, 256);
    EXPECT_EQ(x, 0);
    EXPECT_EQ(y, 1000);
    AUX_Rotate(&x, &y, 256);
    EXPECT_EQ(x, -1000);
    EXPECT_EQ(y, 0);
    AUX_Rotate(&x, &y, 128);
    EXPECT_EQ(x, -707) << "-724000 / 1024 truncates toward zero";
    EXPECT_EQ(y, -707);
    x = 1000;
    y = 0;
    AUX_Rotate(&x, &y, 1024 + 256);
    EXPECT_EQ(x, 0) << "angles beyond a turn wrap";
    EXPECT_EQ(y, 1000);
    x = 100 << 16;
    y = 0;
    AUX_Rotate(&x, &y, 256);
    EXPECT_EQ(x, 0);
    EXPECT_EQ(y, 100 << 16) << "16.16 positions do not overflow";

    EXPECT_EQ(AUX_VectorAngle(5, 0), 0u);
    EXPECT_EQ(AUX_VectorAngle(0, 5), 256u);
    EXPECT_EQ(AUX_VectorAngle(-5, 0), 512u);
    EXPECT_EQ(AUX_VectorAngle(0, -5), 768u);
    EXPECT_EQ(AUX_VectorAngle(0, 0), 0u) << "the zero vector divides by nothing";
}

TEST(Tools, LesserHelpers)
{
    const uint8_t range[] = "abcabdabde";
    size_t at = 99;
    EXPECT_EQ(AUX_FindLongestMatch(range, 10, reinterpret_cast<const uint8_t*>("abde"), 4, &at), 4u);
    EXPECT_EQ(at, 6u);
    EXPECT_EQ(AUX_FindLongestMatch(range, 10, reinterpret_cast<const uint8_t*>("abx"), 3, &at), 2u);
    EXPECT_EQ(at, 0u) << "the first place of the longest match";
    EXPECT_EQ(AUX_FindLongestMatch(range, 10, reinterpret_cast<const uint8_t*>("z"), 1, &at), 0u);

    char text[] = "one\ntwo\n\nfour\n";
    char** lines = nullptr;
    ASSERT_EQ(AUX_SplitLines(text, &lines, true), 4u);
    EXPECT_STREQ(lines[0], "one");
    EXPECT_STREQ(lines[2], "");
    EXPECT_STREQ(lines[3], "four");
    MEM_Free(lines);
    char empty[] = "";
    EXPECT_EQ(AUX_SplitLines(empty, &lines, true), 0u);
    EXPECT_EQ(lines, nullptr);

    int32_t* values = AUX_Shuffle(-3, 6);
    ASSERT_NE(values, nullptr);
    std::vector<int32_t> sorted(values, values + 10);
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(sorted, (std::vector<int32_t>{-3, -2, -1, 0, 1, 2, 3, 4, 5, 6})) << "a permutation of lo..hi";
    MEM_Free(values);
    EXPECT_EQ(AUX_Shuffle(2, 1), nullptr);

    const char* names[] = {"a", "b", "c"};
    EXPECT_EQ(AUX_IndexOfString(names, 3, "b", 0), 1);
    EXPECT_EQ(AUX_IndexOfString(names, 3, "b", 1), 2);
    EXPECT_EQ(AUX_IndexOfString(names, 3, "b", 2), -1) << "not below the count";
    EXPECT_EQ(AUX_IndexOfString(names, 3, "d", 0), -1);

    TempFolder folder;
    AUX_Log* log = AUX_CreateLog(folder.file("log.txt").c_str());
    ASSERT_NE(log, nullptr);
    EXPECT_EQ(file_text(folder.file("log.txt")), "<missing>") << "opened only on the first write";
    EXPECT_TRUE(AUX_WriteLog(log, "one "));
    EXPECT_TRUE(AUX_WriteLog(log, "two"));
    AUX_CloseLog(log);
    EXPECT_EQ(file_text(folder.file("log.txt")), "one two");

    int64_t blocks = MEM_LiveBlocks();
    auto* pair = static_cast<AUX_Pair*>(MEM_Alloc(sizeof(AUX_Pair)));
    ASSERT_NE(pair, nullptr);
    pair->first = MEM_Alloc(3);
    pair->second = nullptr;
    AUX_FreePair(pair);
    EXPECT_EQ(MEM_LiveBlocks(), blocks);
}
