#include <gtest/gtest.h>

#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <tuple>
#include <vector>

#include "tests/support/alloc_check.h"
#include "tests/support/scratch.h"
#include "util/mem.h"
#include "util/tools.h"

namespace {

// What the writer wrote; fails the test when it also wrote a NUL or past the number.
template <typename T>
std::string written(char* (*writer)(T, char*), T value)
{
    char buffer[16];
    memset(buffer, '#', sizeof buffer);
    char* end = writer(value, buffer);
    EXPECT_EQ(*end, '#') << "the writers put no NUL";
    return std::string(buffer, end);
}

std::string join(unsigned flags, std::vector<const char*> parts, size_t size = AUX_PATH_SIZE, bool* ok = nullptr)
{
    parts.push_back(nullptr);
    std::vector<char> dest(size + 8, '#');
    bool result = AUX_JoinPathList(dest.data(), size, '/', flags, parts.data());
    EXPECT_EQ(std::string(dest.data() + size, 8), "########") << "written past the buffer";
    if (ok != nullptr) {
        *ok = result;
    }
    return dest.data();
}

}  // namespace

TEST(Tools, NumbersToTextAndBack)
{
    EXPECT_EQ(written(AUX_UIntToHex, 0u) + " " + written(AUX_UIntToHex, 2748u) + " " + written(AUX_UIntToHex, 0xFFFFFFFFu),
              "0x0 0xABC 0xFFFFFFFF");
    EXPECT_EQ(written(AUX_UIntToDec, 0u) + " " + written(AUX_UIntToDec, 4294967295u), "0 4294967295");
    EXPECT_EQ(written(AUX_IntToDec, -5) + " " + written(AUX_IntToDec, 0) + " " + written(AUX_IntToDec, INT32_MAX) + " " +
                  written(AUX_IntToDec, INT32_MIN),
              "-5 0 2147483647 -2147483648") << "the most negative value has no positive twin";

    const struct {
        const char* text;
        uint32_t dec;
        uint32_t hex; // with fallback 77
    } numbers[] = {
        {"12ab", 12, 77}, {" 12", 0, 77}, {"-3", 0, 77}, {"4294967296", 0, 77}, {"\xB2", 0, 77}, {"", 0, 77},
        {"0X1F", 0, 77}, {"0x1f", 0, 31}, {"0xAbZ9", 0, 0xAB}, {"0x", 0, 0}, {"0x/", 0, 0}, {"0x\xE1", 0, 0},
    };
    for (const auto& n : numbers) {
        EXPECT_EQ(AUX_DecToUInt(n.text), n.dec) << "\"" << n.text << "\": no blanks, no sign, overflow wraps, Latin-1 is no digit";
        EXPECT_EQ(AUX_HexToUInt(n.text, 77), n.hex) << "\"" << n.text << "\": needs lower-case 0x, ends at another character";
    }
}

TEST(Tools, SkippingCopyingAndCase)
{
    const struct {
        const char* (*skip)(const char*);
        const char* text;
        int end;
    } skips[] = {
        {AUX_SkipBlanks, " \t a", 3}, {AUX_SkipSpaces, " \t a", 1}, {AUX_SkipBlanks, "\xA0x", 0},
        {AUX_SkipWord, "ab\tc", 2},   {AUX_SkipWord, "ab\ncd", 2},  {AUX_SkipWord, " x", 0},
        {AUX_SkipWord, "abc", 3},     {AUX_SkipNumber, "-12x", 3},  {AUX_SkipNumber, "-x", 1},
    };
    for (const auto& s : skips) {
        EXPECT_EQ(s.skip(s.text) - s.text, s.end) << "\"" << s.text << "\"; a tab is no space, a Latin-1 no-break space no blank";
    }
    EXPECT_EQ(AUX_SkipBlanks(nullptr), nullptr);

    char dest[8];
    for (auto [source, maximum, result] : {std::tuple{"hello", 0, "hello"}, std::tuple{"hello", 3, "hel"},
                                           std::tuple{"hi", 5, "hi"}, std::tuple{"hello", -1, ""}}) {
        memset(dest, '#', sizeof dest);
        AUX_CopyString(source, dest, maximum);
        std::string expected = maximum < 0 ? "########" : (result + std::string(1, '\0')).append(7 - strlen(result), '#');
        EXPECT_EQ(std::string(dest, 8), expected) << "maximum " << maximum << ": one NUL, nothing after it; negative copies nothing";
    }
    int64_t bytes = MEM_LiveBytes();
    char* copy = AUX_DupString("hello", nullptr, 3);
    EXPECT_EQ(MEM_LiveBytes() - bytes, 4) << "maximum + 1 bytes";
    EXPECT_STREQ(copy, "hel");
    AUX_Free(copy);
    EXPECT_EQ(AUX_DupString("hello", dest, 2), dest);
    EXPECT_STREQ(dest, "he");
    CheckEachAllocationFailure([bytes] {
        char* whole = AUX_DupString("hello", nullptr, 0);
        bool ok = whole != nullptr && std::string(whole) == "hello" && MEM_LiveBytes() - bytes == 6;
        AUX_Free(whole);
        return ok;
    });

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
    EXPECT_EQ(AUX_OrTag(list, 2, 0x3), 2u);
    EXPECT_EQ(AUX_OrTag(list, 7, 1), 0u);
    EXPECT_EQ(std::to_string(list[0].value) + " " + std::to_string(list[1].value) + " " + std::to_string(list[2].value),
              "42 19 5") << "only the first pair changes";
}

TEST(Tools, JoiningPathsWithEachFlagNeverPassesTheBuffer)
{
    const unsigned lead = AUX_JOIN_LEADING, after = AUX_JOIN_AFTER_FIRST, trail = AUX_JOIN_TRAILING;
    const std::string longPart(AUX_PATH_SIZE, 'x');
    const struct {
        unsigned flags;
        std::vector<const char*> parts;
        const char* path; // empty where the join fails
        size_t size = AUX_PATH_SIZE;
    } joins[] = {
        {0, {"a/", "b"}, "a/b"}, {0, {"PROGDIR:", "themes", "name", "descriptor.txt"}, "PROGDIR:themes/name/descriptor.txt"},
        {after, {"a", "b"}, "a/b"}, {trail, {"a"}, "a/"}, {trail, {"a/"}, "a/"}, {lead, {"a", "b"}, "/ab"},
        {lead | after, {"usr", "lib"}, "/usr/lib"}, {lead | after | trail, {"usr", "lib"}, "/usr/lib/"},
        {after, {"a//", "b"}, "a///b"}, {trail, {}, ""}, {lead, {}, ""}, {after, {"ab", "cd"}, "ab/cd", 6},
        {after, {"ab", "cd"}, "", 5}, {after | trail, {"ab", "cd"}, "", 6}, {0, {"P:", longPart.c_str()}, ""},
    };
    for (const auto& j : joins) {
        bool ok = false;
        EXPECT_EQ(join(j.flags, j.parts, j.size, &ok), j.path)
            << "flags " << j.flags << ", size " << j.size << ": the first part is a prefix; no separator doubled "
            << "at the end, none merged; five characters and the NUL fit six bytes";
        EXPECT_EQ(ok, *j.path != '\0' || j.parts.empty()) << "a path that does not fit fails, size " << j.size;
    }

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
    TempDir folder;
    for (const char* sub : {"themes", "themes/default", "themes/blue"}) {
        ASSERT_EQ(mkdir(folder.Path(sub).c_str(), 0755), 0);
    }
    PutFile(folder.Path("themes/default/a.bmp"), "A");
    PutFile(folder.Path("themes/blue/b.bmp"), "B");
    char dest[AUX_PATH_SIZE];
    std::string prefix = folder.Path("");
    EXPECT_TRUE(AUX_FindThemeFile(prefix.c_str(), "themes", "blue", "b.bmp", dest, sizeof dest));
    EXPECT_EQ(std::string(dest), prefix + "themes/blue/b.bmp");
    EXPECT_TRUE(AUX_FindThemeFile(prefix.c_str(), "themes", "blue", "a.bmp", dest, sizeof dest));
    EXPECT_EQ(std::string(dest), prefix + "themes/default/a.bmp");
    EXPECT_FALSE(AUX_FindThemeFile(prefix.c_str(), "themes", "blue", "c.bmp", dest, sizeof dest));
    EXPECT_EQ(std::string(dest), prefix + "themes/default/c.bmp") << "the last path tried";
    EXPECT_FALSE(AUX_FindThemeFile(prefix.c_str(), "themes", "default", "", dest, sizeof dest)) << "a folder is not a file";
    EXPECT_FALSE(AUX_FindThemeFile(prefix.c_str(), "themes", "blue", "b.bmp", dest, 8)) << "a path that does not fit counts as missing";
}

TEST(Tools, ReadingWholeFiles)
{
    TempDir folder;
    std::string path = folder.Path("data");
    PutFile(path, std::string("abc\0def", 7));
    uint32_t size = 0;
    auto* data = static_cast<char*>(AUX_ReadFile(path.c_str(), nullptr, &size, 2));
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(std::string(data, 9), std::string("abc\0def\0\0", 9)) << "the extra bytes are zero";
    EXPECT_EQ(size, 7u);
    MEM_Free(data);

    char buffer[10];
    memset(buffer, '#', sizeof buffer);
    size = 8;
    EXPECT_EQ(AUX_ReadFile(path.c_str(), buffer, &size, 1), buffer);
    EXPECT_EQ(std::string(buffer, 9), std::string("abc\0def\0#", 9)) << "size " << size;
    size = 7;
    EXPECT_EQ(AUX_ReadFile(path.c_str(), buffer, &size, 1), nullptr) << "a file too big for the buffer fails";
    EXPECT_EQ(AUX_ReadFile(path.c_str(), buffer, nullptr, 1), nullptr) << "a buffer without its size is refused";

    PutFile(folder.Path("empty"), "");
    data = static_cast<char*>(AUX_ReadFile(folder.Path("empty").c_str(), nullptr, &size, 1));
    EXPECT_TRUE(data != nullptr && size == 0 && data[0] == '\0') << "an empty file reads as an empty text";
    MEM_Free(data);
    EXPECT_EQ(AUX_ReadFile(folder.Path("missing").c_str(), nullptr, &size, 1), nullptr);
    EXPECT_EQ(AUX_ReadFile(folder.Path("").c_str(), nullptr, &size, 1), nullptr) << "a folder is not read";
    CheckEachAllocationFailure([&path] {
        uint32_t n = 0;
        void* read = AUX_ReadFile(path.c_str(), nullptr, &n, 0);
        MEM_Free(read);
        return read != nullptr;
    });
}

TEST(Tools, WritingReplacesTheFileOnlyWhenEverythingIsWritten)
{
    TempDir folder;
    std::string path = folder.Path("configuration.txt");
    ASSERT_TRUE(AUX_WriteFile(path.c_str(), "first\n", 6));
    ASSERT_EQ(chmod(path.c_str(), 0640), 0);
    ASSERT_TRUE(AUX_WriteFile(path.c_str(), "second", 6));
    EXPECT_EQ(FileText(path), "second");
    struct stat info;
    ASSERT_EQ(stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0640u) << "a rewritten file keeps its permissions";

    EXPECT_FALSE(AUX_WriteFile(path.c_str(), "x", 0));
    EXPECT_FALSE(AUX_WriteFile(path.c_str(), nullptr, 3));
    EXPECT_FALSE(AUX_WriteFile(nullptr, "x", 1));
    EXPECT_FALSE(AUX_WriteFile("", "x", 1));
    EXPECT_FALSE(AUX_WriteFile(folder.Path("missing/file").c_str(), "x", 1)) << "a missing folder";
    EXPECT_FALSE(AUX_WriteFile((path + "/inside").c_str(), "x", 1)) << "a file used as a folder";
    MEM_FailAt(1);
    EXPECT_FALSE(AUX_WriteFile(path.c_str(), "third", 5)) << "out of memory";
    MEM_FailAt(0);

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
    if (geteuid() != 0) {
        ASSERT_EQ(chmod(folder.Path("").c_str(), 0555), 0);
        EXPECT_FALSE(AUX_WriteFile(path.c_str(), "x", 1)) << "a read-only folder";
        ASSERT_EQ(chmod(folder.Path("").c_str(), 0755), 0);
    }
    EXPECT_EQ(FileText(path), "second") << "refused and failed writes leave the old file as it was";
    EXPECT_EQ(folder.Entries(), 1) << "no temporary file is left behind";
}

TEST(Tools, ScramblingMatchesWorkedExamplesAndRoundTrips)
{
    uint8_t one[] = {0x41};
    AUX_Scramble(one, 1);
    EXPECT_EQ(one[0], 0x7D) << "k = 1 ^ 0x3D = 0x3C";
    std::vector<uint8_t> three = {0x00, 0x01, 0x02};
    AUX_Scramble(three.data(), 3);
    EXPECT_EQ(three, (std::vector<uint8_t>{0x3E, 0x41, 0x42})) << "k grows by 0 ^ c(2), then by 1 ^ c(1) = 0";
    std::vector<uint8_t> wide(0x010203, 0);
    AUX_Scramble(wide.data(), static_cast<uint32_t>(wide.size()));
    EXPECT_EQ(wide[0], 0x3D) << "the higher bytes of the length enter the first key";

    for (uint32_t n : {1u, 3u, 200u, 4096u}) {
        std::vector<uint8_t> plain(n);
        for (size_t i = 0; i < n; i++) {
            plain[i] = static_cast<uint8_t>(i * 37 + (i >> 3));
        }
        std::vector<uint8_t> bytes = plain;
        AUX_Scramble(bytes.data(), n);
        EXPECT_TRUE(n == 1 || bytes != plain) << "length " << n;
        std::vector<uint8_t> changed = plain;
        changed[n / 2] ^= 1;
        AUX_Scramble(changed.data(), n);
        EXPECT_TRUE(n < 3 || !std::equal(bytes.begin() + n / 2 + 1, bytes.end(), changed.begin() + n / 2 + 1))
            << "a changed byte changes what follows, length " << n;
        AUX_Unscramble(bytes.data(), n);
        EXPECT_EQ(bytes, plain) << "length " << n;
    }
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
    CheckEachAllocationFailure([&in] {
        auto* fresh = static_cast<uint8_t*>(AUX_SwapBuffer(in, nullptr, 4, 2));
        bool ok = fresh != nullptr && fresh[0] == 3 && fresh[3] == 2;
        MEM_Free(fresh);
        return ok;
    });
    EXPECT_EQ(AUX_SwapBuffer(in, out, 6, 4), nullptr) << "a size that is no multiple of the element";
    EXPECT_EQ(AUX_SwapBuffer(in, out, 8, 3), nullptr);
}

TEST(Tools, TrigonometryAndRotation)
{
    AUX_InitTrigTables();
    // 18.85 rounds away from zero both ways; arc cosine 0.5 is a sixth of a turn, truncated;
    // negative arc sines wrap into the turn.
    const struct {
        const char* name;
        int32_t value, expected;
    } points[] = {
        {"sin 0", AUX_Sine[0], 0}, {"sin 256", AUX_Sine[256], 1024}, {"sin 512", AUX_Sine[512], 0},
        {"sin 768", AUX_Sine[768], -1024}, {"cos 0", AUX_Cosine[0], 1024}, {"cos 256", AUX_Cosine[256], 0},
        {"cos 512", AUX_Cosine[512], -1024}, {"cos 1024", AUX_Cosine[1024], 1024}, {"sin 128", AUX_Sine[128], 724},
        {"sin 640", AUX_Sine[640], -724}, {"sin 3", AUX_Sine[3], 19}, {"sin 1021", AUX_Sine[1021], -19},
        {"acos 0", AUX_ArcCosine[1024], 256}, {"acos -1", AUX_ArcCosine[0], 512}, {"acos 1", AUX_ArcCosine[2048], 0},
        {"acos 0.5", AUX_ArcCosine[1024 + 512], 170}, {"asin 0", AUX_ArcSine[1024], 0},
        {"asin 1", AUX_ArcSine[2048], 256}, {"asin -1", AUX_ArcSine[0], 768}, {"asin -0.5", AUX_ArcSine[512], 938},
    };
    for (const auto& p : points) {
        EXPECT_EQ(p.value, p.expected) << p.name;
    }
    for (int i = 0; i <= 1024; i++) {
        int64_t r = int64_t{AUX_Sine[i]} * AUX_Sine[i] + int64_t{AUX_Cosine[i]} * AUX_Cosine[i];
        EXPECT_NEAR(static_cast<double>(r), 1024.0 * 1024.0, 2100.0) << "angle " << i;
        EXPECT_EQ(AUX_Sine[i], -AUX_Sine[(1024 - i) % 1024]) << "angle " << i;
    }

    const struct {
        int32_t x, y;
        uint32_t angle;
        int32_t toX, toY;
    } turns[] = {
        {1000, 0, 256, 0, 1000}, {0, 1000, 256, -1000, 0},
        {-1000, 0, 128, -707, -707},          // -724000 / 1024 truncates toward zero
        {1000, 0, 1024 + 256, 0, 1000},       // angles beyond a turn wrap
        {100 << 16, 0, 256, 0, 100 << 16},    // 16.16 positions do not overflow
    };
    for (const auto& t : turns) {
        int32_t x = t.x;
        int32_t y = t.y;
        AUX_Rotate(&x, &y, t.angle);
        EXPECT_EQ(std::to_string(x) + "," + std::to_string(y), std::to_string(t.toX) + "," + std::to_string(t.toY))
            << "(" << t.x << "," << t.y << ") by " << t.angle;
    }
    EXPECT_EQ(std::to_string(AUX_VectorAngle(5, 0)) + " " + std::to_string(AUX_VectorAngle(0, 5)) + " " +
                  std::to_string(AUX_VectorAngle(-5, 0)) + " " + std::to_string(AUX_VectorAngle(0, -5)) + " " +
                  std::to_string(AUX_VectorAngle(0, 0)),
              "0 256 512 768 0") << "the zero vector divides by nothing";
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
    ASSERT_EQ(AUX_SplitLines(text, &lines, true), 4u) << "a final LF starts no new line";
    EXPECT_EQ(std::string(lines[0]) + "|" + lines[1] + "|" + lines[2] + "|" + lines[3], "one|two||four");
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
    EXPECT_EQ(AUX_IndexOfString(names, 3, "b", 1), 2);
    EXPECT_EQ(AUX_IndexOfString(names, 3, "b", 2), -1) << "not below the count";
    EXPECT_EQ(AUX_IndexOfString(names, 3, "d", 0), -1);

    TempDir folder;
    AUX_Log* log = AUX_CreateLog(folder.Path("log.txt").c_str());
    ASSERT_NE(log, nullptr);
    EXPECT_EQ(FileText(folder.Path("log.txt")), "<missing>") << "opened only on the first write";
    EXPECT_TRUE(AUX_WriteLog(log, "one ") && AUX_WriteLog(log, "two"));
    AUX_CloseLog(log);
    EXPECT_EQ(FileText(folder.Path("log.txt")), "one two");

    int64_t blocks = MEM_LiveBlocks();
    auto* pair = static_cast<AUX_Pair*>(MEM_Alloc(sizeof(AUX_Pair)));
    ASSERT_NE(pair, nullptr);
    *pair = AUX_Pair{MEM_Alloc(3), nullptr};
    AUX_FreePair(pair);
    EXPECT_EQ(MEM_LiveBlocks(), blocks) << "the pair and its blocks are freed";
}
