#include <gtest/gtest.h>

#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/alloc_check.h"
#include "tests/support/scratch.h"
#include "util/mem.h"
#include "util/tools.h"

namespace {

// What the writer wrote, with "!" appended when it also wrote a NUL.
template <typename T>
std::string written(char* (*writer)(T, char*), T value)
{
    char buffer[16];
    memset(buffer, '#', sizeof buffer);
    char* end = writer(value, buffer);
    return std::string(buffer, end) + (*end == '#' ? " " : "! ");
}

// What `f` gives for every input, each followed by a space, so that a whole table compares in
// one assertion that shows every difference.
template <typename In, typename F>
std::string each(const std::vector<In>& inputs, F f)
{
    std::ostringstream out;
    for (const In& in : inputs) {
        out << f(in) << " ";
    }
    return out.str();
}

}  // namespace

TEST(Tools, NumbersToTextAndBack)
{
    EXPECT_EQ(written(AUX_UIntToHex, 0u) + written(AUX_UIntToHex, 2748u) + written(AUX_UIntToHex, 0xFFFFFFFFu) +
                  written(AUX_UIntToDec, 0u) + written(AUX_UIntToDec, 4294967295u) + written(AUX_IntToDec, -5) +
                  written(AUX_IntToDec, 0) + written(AUX_IntToDec, INT32_MAX) + written(AUX_IntToDec, INT32_MIN),
              "0x0 0xABC 0xFFFFFFFF 0 4294967295 -5 0 2147483647 -2147483648 ")
        << "no NUL written; the most negative value has no positive twin";
    const std::vector<const char*> texts = {"12ab", " 12", "-3",  "4294967296", "\xB2",      "/:",    "0X1F",
                                            "0x1f", "0xAbZ9", "0x", "0x/",  "0x\xE1", "0x09afAFg", "0x@`G",
                                            "0y1",  "1x1",    "90"};
    EXPECT_EQ(each(texts, AUX_DecToUInt), "12 0 0 0 0 0 0 0 0 0 0 0 0 0 0 1 90 ")
        << "no blanks, no sign, overflow wraps";
    EXPECT_EQ(each(texts, [](const char* t) { return AUX_HexToUInt(t, 77); }),
              "77 77 77 77 77 77 77 31 171 0 0 0 634799 0 77 77 77 ")
        << "needs lower-case 0x, ends at any other character";
}

TEST(Tools, SkippingCopyingAndCase)
{
    EXPECT_TRUE(*AUX_SkipBlanks(" \t a") == 'a' && *AUX_SkipSpaces(" \t a") == '\t' &&
                *AUX_SkipWord("ab\ncd") == '\n' && *AUX_SkipNumber("-12x") == 'x' &&
                AUX_SkipBlanks(nullptr) == nullptr)
        << "a tab is a blank but no space; a word ends at a line end; a number may start with '-'";
    const auto copied = [](const char* source, int32_t maximum) {
        char dest[8];
        memset(dest, '#', sizeof dest);
        AUX_CopyString(source, dest, maximum);
        return std::string(dest, 8);
    };
    EXPECT_EQ(copied("hello", 0) + copied("hello", 3) + copied("hi", 5) + copied("hello", -1),
              std::string("hello\0##hel\0####hi\0#############", 32))
        << "maxima 0 (none), 3, 5 and -1 (nothing copied); '#' is untouched";
    char dest[8];
    EXPECT_TRUE(AUX_DupString("hello", dest, 2) == dest && std::string(dest) == "he");
    EXPECT_TRUE(AUX_DupString(nullptr, dest, 0) == nullptr && AUX_DupString("a", nullptr, -1) == nullptr);
    for (int32_t maximum : {0, 3}) {
        CheckEachAllocationFailure([maximum] {
            const int64_t bytes = MEM_LiveBytes();
            char* copy = AUX_DupString("hello", nullptr, maximum);
            const bool ok = copy != nullptr && std::string(copy) == (maximum == 0 ? "hello" : "hel") &&
                            MEM_LiveBytes() - bytes == (maximum == 0 ? 6 : 4);
            AUX_Free(copy);
            return ok;
        });
    }
    char mixed[] = "@AZ[`az{\xC4";
    AUX_ToUpper(mixed);
    EXPECT_STREQ(mixed, "@AZ[`AZ{\xC4") << "only ASCII letters change";
    AUX_ToLower(mixed);
    EXPECT_STREQ(mixed, "@az[`az{\xC4");
}

TEST(Tools, TagListsChangeTheFirstPairAndHoldAddresses)
{
    const uintptr_t address = UINTPTR_MAX - 1;
    AUX_Tag list[] = {{1, address}, {2, 0x10}, {1, 5}, {0, 0}, {3, 9}};
    uintptr_t value = 123;
    EXPECT_TRUE(AUX_GetTag(list, 1, &value) == 1 && value == address) << "a whole 64-bit address survives";
    EXPECT_TRUE(AUX_GetTag(list, 3, &value) == 0 && value == address) << "the list ends at tag 0, value untouched";
    EXPECT_TRUE(AUX_SetTag(list, 1, 42) == 1 && AUX_OrTag(list, 2, 0x3) == 2 &&
                AUX_SetTag(list, 7, 1) == 0);
    EXPECT_TRUE(list[0].value == 42 && list[1].value == 0x13 && list[2].value == 5)
        << "only the first pair changes";
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
        {0, {"PROGDIR:", "themes", "name", "descriptor.txt"}, "PROGDIR:themes/name/descriptor.txt"},
        {trail, {"a/"}, "a/"}, {lead, {"a", "b"}, "/ab"},
        {lead | after | trail, {"usr", "lib"}, "/usr/lib/"},
        {trail, {}, ""}, {after, {"ab", "cd"}, "ab/cd", 6}, {after, {"ab", "cd"}, "", 5},
        {after | trail, {"ab", "cd"}, "", 6}, {0, {"P:", longPart.c_str()}, ""},
    };
    for (const auto& j : joins) {
        std::vector<const char*> parts = j.parts;
        parts.push_back(nullptr);
        std::vector<char> dest(j.size + 8, '#');
        const bool ok = AUX_JoinPathList(dest.data(), j.size, '/', j.flags, parts.data());
        SCOPED_TRACE("flags " + std::to_string(j.flags) + ", size " + std::to_string(j.size));
        EXPECT_EQ(std::string(dest.data()), j.path) << "the first part is a prefix; no separator doubled at the end";
        EXPECT_EQ(ok, *j.path != '\0' || j.parts.empty()) << "a path that does not fit fails";
        EXPECT_EQ(std::string(dest.data() + j.size, 8), "########") << "written past the buffer";
    }
    char dest[AUX_PATH_SIZE];
    EXPECT_TRUE(AUX_JoinPath(dest, sizeof dest, '/', 0, "PROGDIR:", "chart.raw", nullptr) &&
                std::string(dest) == "PROGDIR:chart.raw");
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
    const std::string prefix = folder.Path("");
    char dest[AUX_PATH_SIZE];
    EXPECT_TRUE(AUX_FindThemeFile(prefix.c_str(), "themes", "blue", "b.bmp", dest, sizeof dest) &&
                AUX_FindThemeFile(prefix.c_str(), "themes", "blue", "a.bmp", dest, sizeof dest));
    EXPECT_EQ(std::string(dest), prefix + "themes/default/a.bmp")
        << "a file the theme lacks comes from default";
    EXPECT_FALSE(AUX_FindThemeFile(prefix.c_str(), "themes", "blue", "c.bmp", dest, sizeof dest));
}

TEST(Tools, ReadingWholeFiles)
{
    const int fd = dup(0);
    close(fd);
    TempDir folder;
    const std::string path = folder.Path("data");
    PutFile(path, std::string("abc\0def", 7));
    uint32_t size = 0;
    auto* data = static_cast<char*>(AUX_ReadFile(path.c_str(), nullptr, &size, 2));
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(std::string(data, 9) + std::to_string(size), std::string("abc\0def\0\0007", 10)) << "extra bytes are 0";
    MEM_Free(data);
    char buffer[10];
    memset(buffer, '#', sizeof buffer);
    size = 8;
    EXPECT_EQ(AUX_ReadFile(path.c_str(), buffer, &size, 1), buffer);
    EXPECT_EQ(std::string(buffer, 9) + std::to_string(size), std::string("abc\0def\0#7", 10)) << "fits exactly";
    size = 7;
    EXPECT_EQ(AUX_ReadFile(path.c_str(), buffer, &size, 1), nullptr) << "a file too big for the buffer fails";
    EXPECT_EQ(AUX_ReadFile(path.c_str(), buffer, nullptr, 1), nullptr) << "a buffer without its size is refused";
    PutFile(folder.Path("empty"), "");
    data = static_cast<char*>(AUX_ReadFile(folder.Path("empty").c_str(), nullptr, &size, 1));
    EXPECT_TRUE(data != nullptr && size == 0 && data[0] == '\0') << "an empty file reads as an empty text";
    MEM_Free(data);
    EXPECT_TRUE(AUX_ReadFile(folder.Path("missing").c_str(), nullptr, &size, 1) == nullptr &&
                AUX_ReadFile(folder.Path("").c_str(), nullptr, &size, 1) == nullptr)
        << "a missing file; a folder is not read";
    EXPECT_EQ(dup(0), fd) << "no file is left open";
    close(fd);
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
    const std::string path = folder.Path("configuration.txt");
    ASSERT_TRUE(AUX_WriteFile(path.c_str(), "first\n", 6));
    ASSERT_EQ(chmod(path.c_str(), 0640), 0);
    ASSERT_TRUE(AUX_WriteFile(path.c_str(), "second", 6));
    EXPECT_EQ(FileText(path), "second");
    struct stat info;
    EXPECT_TRUE(stat(path.c_str(), &info) == 0 && (info.st_mode & 0777) == 0640) << "a rewritten file keeps its mode";
    EXPECT_FALSE(AUX_WriteFile(path.c_str(), "x", 0) || AUX_WriteFile(path.c_str(), nullptr, 3) ||
                 AUX_WriteFile(nullptr, "x", 1) || AUX_WriteFile("", "x", 1));
    EXPECT_FALSE(AUX_WriteFile(folder.Path("missing/file").c_str(), "x", 1)) << "a missing folder";
    MEM_FailAt(1);
    EXPECT_FALSE(AUX_WriteFile(path.c_str(), "third", 5)) << "out of memory";
    MEM_FailAt(0);
    // A file size limit stands in for a full disk: the write stops part-way.
    const std::string big(4096, 'b');
    struct rlimit old;
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    struct rlimit small = old;
    small.rlim_cur = 1000;
    void (*oldHandler)(int) = signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool fullDisk = AUX_WriteFile(path.c_str(), big.data(), static_cast<uint32_t>(big.size()));
    setrlimit(RLIMIT_FSIZE, &old);
    signal(SIGXFSZ, oldHandler);
    EXPECT_FALSE(fullDisk) << "a short write is a failure";
    EXPECT_EQ(FileText(path), "second") << "refused and failed writes leave the old file as it was";
    EXPECT_EQ(folder.Entries(), 1) << "no temporary file is left behind";
}

TEST(Tools, ScramblingMatchesWorkedExamplesAndByteOrderSwaps)
{
    // Lengths other than the chart's, whose bytes the chart file's own check pins.
    std::vector<uint8_t> bytes = {0x41, 0x00, 0x01, 0x02};
    AUX_Scramble(bytes.data(), 1);
    AUX_Scramble(bytes.data() + 1, 3);
    AUX_Scramble(nullptr, 5);
    EXPECT_EQ(bytes, (std::vector<uint8_t>{0x7D, 0x3E, 0x41, 0x42})) << "lengths 1 and 3";
    AUX_Unscramble(bytes.data() + 1, 3);
    EXPECT_EQ(bytes, (std::vector<uint8_t>{0x7D, 0x00, 0x01, 0x02})) << "unscrambling undoes it";
    EXPECT_EQ(AUX_IsBigEndian(), 0) << "x86-64 and arm64 Linux are little-endian";
    EXPECT_EQ(AUX_Swap32(0x11223344u), 0x44332211u);
    uint8_t in[] = {1, 2, 3, 4, 5, 6, 7, 8};
    EXPECT_TRUE(AUX_SwapBuffer(in, in, 8, 4) == in && AUX_SwapBuffer(in, in, 6, 4) == nullptr)
        << "in place, whole elements only";
    EXPECT_EQ(std::vector<uint8_t>(in, in + 8), (std::vector<uint8_t>{4, 3, 2, 1, 8, 7, 6, 5}));
    CheckEachAllocationFailure([&in] {
        auto* fresh = static_cast<uint8_t*>(AUX_SwapBuffer(in, nullptr, 4, 2));
        const bool ok = fresh != nullptr && fresh[0] == 3 && fresh[3] == 2;
        MEM_Free(fresh);
        return ok;
    });
}

TEST(Tools, TrigonometryAndRotation)
{
    AUX_InitTrigTables();
    const std::vector<int> angles = {0, 3, 128, 253, 256, 259, 512, 640, 768, 1021, 1024};
    EXPECT_EQ(each(angles, [](int a) { return AUX_Sine[a]; }), "0 19 724 1024 1024 1024 0 -724 -1024 -19 0 ")
        << "18.85 rounds away from zero both ways";
    EXPECT_EQ(each(angles, [](int a) { return AUX_Cosine[a]; }), "1024 1024 724 19 0 -19 -1024 -724 0 1024 1024 ");
    EXPECT_TRUE(AUX_ArcCosine[0] == 512 && AUX_ArcCosine[1536] == 170 && AUX_ArcSine[512] == 938)
        << "a sixth of a turn is truncated; negative arc sines wrap into the turn";
    // Truncation toward zero, angles beyond a turn, 16.16 positions that must not overflow.
    const std::vector<std::vector<int32_t>> turns = {
        {1000, 0, 256}, {-1000, 0, 128}, {1000, 0, 1024 + 256}, {100 << 16, 0, 256}};
    EXPECT_EQ(each(turns, [](std::vector<int32_t> t) {
                  AUX_Rotate(&t[0], &t[1], static_cast<uint32_t>(t[2]));
                  return std::to_string(t[0]) + "," + std::to_string(t[1]);
              }),
              "0,1000 -707,-707 0,1000 0,6553600 ");
    EXPECT_TRUE(AUX_VectorAngle(0, -5) == 768 && AUX_VectorAngle(0, 0) == 0 &&
                AUX_VectorAngle(-3, 3) == 383)
        << "the zero vector divides by nothing; the table truncates";
}

TEST(Tools, LesserHelpers)
{
    const uint8_t range[] = "abcabdabde";
    size_t at = 99;
    const auto* pattern = reinterpret_cast<const uint8_t*>("abx");
    EXPECT_TRUE(AUX_FindLongestMatch(range, 10, pattern, 3, &at) == 2 && at == 0)
        << "the first longest match";
    char text[] = "one\ntwo\n\nfour\n";
    char** lines = nullptr;
    ASSERT_EQ(AUX_SplitLines(text, &lines, true), 4u) << "a final LF starts no new line";
    EXPECT_EQ(std::string(lines[0]) + "|" + lines[1] + "|" + lines[2] + "|" + lines[3], "one|two||four");
    MEM_Free(lines);
    char empty[] = "";
    EXPECT_TRUE(AUX_SplitLines(empty, &lines, true) == 0 && lines == nullptr);
    int32_t* values = AUX_Shuffle(-3, 6);
    ASSERT_NE(values, nullptr);
    std::vector<int32_t> sorted(values, values + 10);
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(sorted, (std::vector<int32_t>{-3, -2, -1, 0, 1, 2, 3, 4, 5, 6})) << "a permutation of lo..hi";
    MEM_Free(values);
    EXPECT_EQ(AUX_Shuffle(2, 1), nullptr);
    const char* names[] = {"a", "b", "c"};
    EXPECT_TRUE(AUX_IndexOfString(names, 3, "b", 1) == 2 &&
                AUX_IndexOfString(names, 3, "b", 2) == -1 &&
                AUX_IndexOfString(names, 3, "b", -2) == -1 &&
                AUX_IndexOfString(names, 3, "d", 0) == -1)
        << "the index of \"b\" plus the offset, when it is below the count and not negative; \"d\" is absent";
    TempDir folder;
    AUX_Log* log = AUX_CreateLog(folder.Path("log.txt").c_str());
    ASSERT_NE(log, nullptr);
    EXPECT_EQ(folder.Entries(), 0) << "opened only on the first write";
    EXPECT_TRUE(AUX_WriteLog(log, "one ") && AUX_WriteLog(log, "two"));
    AUX_CloseLog(log);
    EXPECT_EQ(FileText(folder.Path("log.txt")), "one two");
    const int64_t blocks = MEM_LiveBlocks();
    auto* pair = static_cast<AUX_Pair*>(MEM_Alloc(sizeof(AUX_Pair)));
    ASSERT_NE(pair, nullptr);
    *pair = AUX_Pair{MEM_Alloc(3), nullptr};
    AUX_FreePair(pair);
    EXPECT_EQ(MEM_LiveBlocks(), blocks) << "the pair and its blocks are freed";
}
