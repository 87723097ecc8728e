#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>

#include "tests/support/alloc_check.h"
#include "util/kv.h"
#include "util/mem.h"

namespace {

const KV_Pair defaults[] = {
    {"THEME", "<cycle>"},
    {"VIDEO", "window"},
    {"ZOOM", "2"},
    {"INTERPOLATION", "on"},
    {"VOLUME", "medium"},
    {"DIFFICULTY", "normal"},
    {"KEY.UP", "up"},
    {"KEY.DOWN", "down"},
    {"KEY.LEFT", "left"},
    {"KEY.RIGHT", "right"},
    {"KEY.BUTTON1", "x"},
    {"KEY.BUTTON2", "c"},
    {"KEY.BUTTON3", "space"},
    {"KEY.PAUSE", "p"},
    {"KEY.QUIT", "escape"},
    {nullptr, nullptr},
};

const char* const defaultsText =
    "THEME         = <cycle>\n"
    "VIDEO         = window\n"
    "ZOOM          = 2\n"
    "INTERPOLATION = on\n"
    "VOLUME        = medium\n"
    "DIFFICULTY    = normal\n"
    "KEY.UP        = up\n"
    "KEY.DOWN      = down\n"
    "KEY.LEFT      = left\n"
    "KEY.RIGHT     = right\n"
    "KEY.BUTTON1   = x\n"
    "KEY.BUTTON2   = c\n"
    "KEY.BUTTON3   = space\n"
    "KEY.PAUSE     = p\n"
    "KEY.QUIT      = escape\n";

std::string serialised(const KV_Store* store)
{
    char* text = nullptr;
    uint32_t length = 0;
    EXPECT_TRUE(KV_Serialise(store, &text, &length));
    std::string out(text != nullptr ? text : "", length);
    MEM_Free(text);
    return out;
}

// A store parsed from `text` with no required keys and no block; free with KV_Dispose.
KV_Store* parsed(const std::string& text, int blockMode = 0, const char* marker = nullptr)
{
    KV_Store* store = KV_Create("unused.txt", nullptr);
    EXPECT_NE(store, nullptr);
    EXPECT_TRUE(KV_Parse(store, text.c_str(), nullptr, blockMode, marker)) << text;
    return store;
}

std::string rewritten(const std::string& text)
{
    KV_Store* store = parsed(text);
    std::string out = serialised(store);
    KV_Dispose(store);
    return out;
}

// Lists the entries without allocating through the store's allocator, so it can run while
// an allocation failure is armed.
std::string listing(const KV_Store* store)
{
    std::string out;
    for (NODE_Node* n = store->entries.first; n != nullptr; n = n->next) {
        auto* e = static_cast<KV_Entry*>(n->data);
        out += std::string(e->key) + "=" + e->value + ";";
    }
    return out;
}

std::string value_of(KV_Store* store, const char* key)
{
    const char* value = nullptr;
    if (!KV_GetString(store, key, &value)) {
        return "<absent>";
    }
    return value;
}

std::string temp_path(const char* name)
{
    return std::string("/tmp/zaf_kv_") + std::to_string(getpid()) + "_" + name;
}

void put_file(const std::string& path, const std::string& bytes)
{
    FILE* f = fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr);
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

}  // namespace

TEST(Kv, DefaultSettingsAreWrittenWithTheEqualsInOneColumn)
{
    KV_Store* store = KV_Create("configuration.txt", defaults);
    ASSERT_NE(store, nullptr);
    EXPECT_TRUE(store->modified) << "a store made with pairs is modified";
    EXPECT_EQ(serialised(store), defaultsText);
    KV_Dispose(store);
    EXPECT_EQ(rewritten(defaultsText), defaultsText) << "the written form reads back unchanged";

    KV_Store* empty = KV_Create("x", nullptr);
    ASSERT_NE(empty, nullptr);
    EXPECT_FALSE(empty->modified);
    EXPECT_EQ(serialised(empty), "");
    KV_Dispose(empty);
}

TEST(Kv, LinesAreSplitIntoKeysAndValues)
{
    KV_Store* store = parsed("KEY.UP =   up  \n"
                             "A B = c\n"
                             "  # note\n"
                             "\t\n"
                             "lone  \t\n"
                             "= value\n"
                             "KEY =\n"
                             "eq = a = b\n");
    EXPECT_EQ(value_of(store, "KEY.UP"), "up  ") << "trailing blanks stay part of the value";
    EXPECT_EQ(value_of(store, "A B"), "c");
    EXPECT_EQ(value_of(store, "# note"), "") << "there is no comment syntax";
    EXPECT_EQ(value_of(store, "lone"), "");
    EXPECT_EQ(value_of(store, "KEY"), "");
    EXPECT_EQ(value_of(store, "eq"), "a = b");
    EXPECT_EQ(NODE_Count(&store->entries), 8u) << "a key with trailing blanks and no '=' leaves no extra blank line";
    EXPECT_EQ(serialised(store),
              "KEY.UP = up  \n"
              "A B    = c\n"
              "# note\n"
              "\n"
              "lone\n"
              "\n"
              "KEY\n"
              "eq     = a = b\n")
        << "'= value' becomes a blank line and 'KEY =' the key alone";
    KV_Dispose(store);
}

TEST(Kv, LineBreaksOfEveryKindReadAlikeAndAreWrittenAsLf)
{
    const std::string expected = "A = 1\n\nB = 2\n";
    EXPECT_EQ(rewritten("A=1\r\n\r\nB=2\r\n"), expected) << "CR LF";
    EXPECT_EQ(rewritten("A=1\r\rB=2\r"), expected) << "CR alone";
    EXPECT_EQ(rewritten("A=1\n\nB=2"), expected) << "no final line break";
    EXPECT_EQ(rewritten("A=1\n\r\nB=2\n"), expected) << "LF then CR LF is two breaks";
    EXPECT_EQ(rewritten(""), "");
    EXPECT_EQ(rewritten("\n"), "\n");
    EXPECT_EQ(rewritten("A=1\n\nB=2\n\n"), "A = 1\n\nB = 2\n\n") << "a trailing blank line survives";
}

TEST(Kv, LookupsStartAfterTheCursorAndWrapRound)
{
    KV_Store* store = parsed("X = 1\nX = 2\n");
    EXPECT_EQ(store->cursor, static_cast<KV_Entry*>(store->entries.first->data)) << "parsing leaves the cursor on the first entry";
    EXPECT_EQ(value_of(store, "X"), "2") << "the first lookup starts after the first entry";
    EXPECT_EQ(value_of(store, "X"), "1") << "and the next one wraps round";
    EXPECT_EQ(value_of(store, "X"), "2");
    EXPECT_EQ(serialised(store), "X = 1\nX = 2\n") << "repeated keys are both kept";
    KV_Dispose(store);

    store = parsed("A = 1\nB = 2\nC = 3\n");
    EXPECT_EQ(value_of(store, "C"), "3");
    EXPECT_EQ(value_of(store, "A"), "1") << "from the end back to the first entry";
    EXPECT_EQ(value_of(store, "A"), "1") << "the cursor entry itself is tried last";
    EXPECT_EQ(value_of(store, "a"), "<absent>") << "keys are case-sensitive";
    EXPECT_EQ(value_of(store, ""), "<absent>");
    KV_Dispose(store);

    KV_Store* empty = KV_Create("x", nullptr);
    EXPECT_FALSE(KV_HasKey(empty, "A"));
    EXPECT_FALSE(KV_HasKey(nullptr, "A"));
    KV_Dispose(empty);
}

TEST(Kv, SettingReplacingAndRemoving)
{
    KV_Store* store = parsed("A = 1\n\nB = 2\nC = 3\n");
    store->modified = false;
    ASSERT_TRUE(KV_SetString(store, "B", "two"));
    EXPECT_TRUE(store->modified);
    EXPECT_EQ(serialised(store), "A = 1\n\nB = two\nC = 3\n") << "an existing key keeps its line";
    EXPECT_EQ(store->cursor->value, std::string("two")) << "the cursor moves to the new entry";
    ASSERT_TRUE(KV_SetString(store, "D", nullptr));
    ASSERT_TRUE(KV_SetUInt(store, "E", 42));
    EXPECT_EQ(serialised(store), "A = 1\n\nB = two\nC = 3\nD\nE = 42\n") << "new keys go last";
    EXPECT_FALSE(KV_ReplaceString(store, "F", "x")) << "replacing an absent key fails";
    EXPECT_FALSE(KV_HasKey(store, "F"));
    ASSERT_TRUE(KV_SetString(store, "A_MUCH_LONGER_KEY", "v"));
    EXPECT_EQ(serialised(store),
              "A                 = 1\n\nB                 = two\nC                 = 3\nD\n"
              "E                 = 42\nA_MUCH_LONGER_KEY = v\n")
        << "a new longest key moves every '='";

    EXPECT_TRUE(KV_RemoveKey(store, "A_MUCH_LONGER_KEY"));
    EXPECT_EQ(store->cursor->key, std::string("E")) << "the cursor falls back to the previous entry at the end";
    EXPECT_TRUE(KV_RemoveKey(store, "B"));
    EXPECT_EQ(store->cursor->key, std::string("C")) << "or moves on to the next";
    EXPECT_FALSE(KV_RemoveKey(store, "B"));
    EXPECT_EQ(serialised(store), "A = 1\n\nC = 3\nD\nE = 42\n");
    KV_Clear(store);
    EXPECT_EQ(store->cursor, nullptr);
    EXPECT_EQ(serialised(store), "");
    KV_Dispose(store);
}

TEST(Kv, TypedValues)
{
    KV_Store* store = parsed("U = 7x\nI = -12abc\nBIG = 99999999999\nF = 2.5e1\nH = 0xff\nN = ff\n");
    uint32_t u = 0;
    int32_t i = 0;
    double f = 0;
    EXPECT_TRUE(KV_GetUInt(store, "U", &u));
    EXPECT_EQ(u, 7u);
    EXPECT_TRUE(KV_GetInt(store, "I", &i));
    EXPECT_EQ(i, -12);
    EXPECT_TRUE(KV_GetInt(store, "BIG", &i));
    EXPECT_EQ(i, INT32_MAX) << "an out-of-range integer is clamped";
    EXPECT_TRUE(KV_GetFloat(store, "F", &f));
    EXPECT_DOUBLE_EQ(f, 25.0);
    EXPECT_TRUE(KV_GetHex(store, "H", &u));
    EXPECT_EQ(u, 255u);
    u = 5;
    EXPECT_FALSE(KV_GetHex(store, "N", &u)) << "a hex value needs its 0x";
    EXPECT_EQ(u, 5u);
    EXPECT_FALSE(KV_GetUInt(store, "MISSING", &u));

    ASSERT_TRUE(KV_SetHex(store, "H", 0xABCu));
    ASSERT_TRUE(KV_SetInt(store, "I", INT32_MIN));
    ASSERT_TRUE(KV_SetFloat(store, "F", 1.5));
    EXPECT_EQ(value_of(store, "H"), "0xABC");
    EXPECT_EQ(value_of(store, "I"), "-2147483648");
    EXPECT_EQ(value_of(store, "F"), "1.500000");
    EXPECT_TRUE(KV_ReplaceUInt(store, "U", 4));
    EXPECT_TRUE(KV_ReplaceInt(store, "I", -1));
    EXPECT_TRUE(KV_ReplaceHex(store, "N", 0));
    EXPECT_TRUE(KV_ReplaceFloat(store, "F", -0.25));
    EXPECT_FALSE(KV_ReplaceUInt(store, "ZOOM", 4));
    EXPECT_EQ(serialised(store), "U   = 4\nI   = -1\nBIG = 99999999999\nF   = -0.250000\nH   = 0xABC\nN   = 0x0\n");

    EXPECT_TRUE(KV_IsString(store, "U", "4"));
    EXPECT_FALSE(KV_IsString(store, "U", "4 "));
    char small[4];
    char buffer[6];
    EXPECT_TRUE(KV_CopyString(store, "H", buffer, sizeof buffer));
    EXPECT_STREQ(buffer, "0xABC");
    EXPECT_FALSE(KV_CopyString(store, "H", small, sizeof small)) << "a value that does not fit is refused";
    KV_Dispose(store);
}

TEST(Kv, FreeTextBlocks)
{
    const std::string text = "A = 1\nDATA = ignored\nline one\nline two";
    KV_Store* store = parsed(text, KV_BLOCK_OPTIONAL, "DATA");
    EXPECT_EQ(NODE_Count(&store->entries), 1u) << "the marker line is no entry";
    ASSERT_NE(store->blockMarker, nullptr);
    EXPECT_STREQ(store->blockText, "line one\nline two");
    EXPECT_EQ(store->blockLength, 17u);
    EXPECT_EQ(serialised(store), "A = 1\nDATA\nline one\nline two") << "the block is written unchanged";
    KV_Dispose(store);

    store = parsed(text, KV_BLOCK_DROP, "DATA");
    EXPECT_EQ(store->blockMarker, nullptr);
    EXPECT_EQ(serialised(store), "A = 1\n");
    KV_Dispose(store);

    store = parsed(text, KV_BLOCK_NONE, "DATA");
    EXPECT_EQ(NODE_Count(&store->entries), 4u) << "mode 0 ignores the marker";
    KV_Dispose(store);

    store = KV_Create("x", nullptr);
    EXPECT_FALSE(KV_Parse(store, "A = 1\nDATA\n", nullptr, KV_BLOCK_REQUIRED, "DATA")) << "an empty block is none";
    EXPECT_FALSE(KV_Parse(store, "A = 1\n", nullptr, KV_BLOCK_REQUIRED, "DATA"));
    EXPECT_TRUE(KV_Parse(store, "DATA\r\nx", nullptr, KV_BLOCK_REQUIRED, "DATA"));
    EXPECT_STREQ(store->blockText, "x");
    ASSERT_TRUE(KV_SetBlock(store, "MORE", "ab\0cd", 5));
    EXPECT_EQ(serialised(store), std::string("MORE\nab\0cd", 10));
    KV_ClearBlock(store);
    EXPECT_EQ(serialised(store), "");
    KV_Dispose(store);
}

TEST(Kv, OpeningFlushingAndClosing)
{
    const std::string path = temp_path("config.txt");
    put_file(path, "THEME=blue\r\nZOOM = 3\r\n");
    const KV_Pair required[] = {{"ZOOM", nullptr}, {"THEME", nullptr}, {nullptr, nullptr}};
    KV_Store* store = KV_Open(path.c_str(), required, 0, nullptr);
    ASSERT_NE(store, nullptr);
    EXPECT_FALSE(store->modified) << "a freshly read store is unchanged";
    EXPECT_STREQ(store->fileName, path.c_str());
    EXPECT_TRUE(KV_Flush(store));
    EXPECT_EQ(file_text(path), "THEME=blue\r\nZOOM = 3\r\n") << "an unchanged store is not written";
    ASSERT_TRUE(KV_ReplaceUInt(store, "ZOOM", 4));
    EXPECT_TRUE(KV_Close(store));
    EXPECT_EQ(file_text(path), "THEME = blue\nZOOM  = 4\n");

    EXPECT_EQ(KV_Open(path.c_str(), defaults, 0, nullptr), nullptr) << "a required key is absent";
    EXPECT_EQ(KV_Open(temp_path("missing").c_str(), nullptr, 0, nullptr), nullptr);

    store = KV_Open(path.c_str(), nullptr, 0, nullptr);
    ASSERT_NE(store, nullptr);
    KV_Clear(store);
    EXPECT_FALSE(KV_Flush(store)) << "an empty store is never written";
    EXPECT_FALSE(KV_Close(store)) << "so closing it fails and keeps it";
    EXPECT_EQ(file_text(path), "THEME = blue\nZOOM  = 4\n");
    KV_Dispose(store);

    store = KV_Create(temp_path("nofolder/x.txt").c_str(), defaults);
    ASSERT_NE(store, nullptr);
    EXPECT_FALSE(KV_Close(store)) << "a failed write keeps the store";
    KV_Dispose(store);
    EXPECT_TRUE(KV_Close(nullptr));
    unlink(path.c_str());
}

TEST(Kv, SerialisedTextIsExactlyAsLongAsNeeded)
{
    KV_Store* store = KV_Create("x", defaults);
    ASSERT_NE(store, nullptr);
    int64_t before = MEM_LiveBytes();
    char* text = nullptr;
    uint32_t length = 0;
    ASSERT_TRUE(KV_Serialise(store, &text, &length));
    EXPECT_EQ(length, strlen(defaultsText));
    EXPECT_EQ(MEM_LiveBytes() - before, int64_t{length} + 1) << "the text and one NUL";
    EXPECT_EQ(text[length], '\0');
    MEM_Free(text);
    KV_Dispose(store);
}

TEST(Kv, EveryAllocationFailureIsCleanedUp)
{
    CheckEachAllocationFailure([] {
        KV_Store* store = KV_Create("configuration.txt", defaults);
        KV_Dispose(store);
        return store != nullptr;
    });

    const std::string path = temp_path("alloc.txt");
    put_file(path, "A = 1\n\nB = 2\nBLOCK\ntext");
    CheckEachAllocationFailure([&path] {
        KV_Store* store = KV_Open(path.c_str(), nullptr, KV_BLOCK_OPTIONAL, "BLOCK");
        bool ok = store != nullptr && store->blockMarker != nullptr;
        KV_Dispose(store);
        return ok;
    });
    unlink(path.c_str());

    KV_Store* store = KV_Create("x", nullptr);
    ASSERT_NE(store, nullptr);
    CheckEachAllocationFailure([store] {
        bool ok = KV_Parse(store, "A = 1\nB = 2\nC\n", nullptr, 0, nullptr);
        KV_Clear(store);
        return ok;
    });
    ASSERT_TRUE(KV_Parse(store, "A = 1\nB = 2\n", nullptr, 0, nullptr));
    CheckEachAllocationFailure([store] {
        std::string before = listing(store);
        if (!KV_SetString(store, "A", "changed")) {
            EXPECT_EQ(listing(store), before) << "a failed set changes nothing";
            return false;
        }
        EXPECT_EQ(listing(store), "A=changed;B=2;");
        return true;
    });
    KV_Dispose(store);
}

namespace {

struct OpenResult {
    bool opened;
    std::string first;  // serialised after opening
    std::string second; // serialised after parsing the first text again
    int64_t peak;       // most bytes live during KV_Open
};

OpenResult open_bytes(const std::string& bytes, const KV_Pair* required = nullptr)
{
    const std::string path = temp_path("bad.txt");
    put_file(path, bytes);
    OpenResult result{false, "", "", 0};
    int64_t base = MEM_LiveBytes();
    MEM_ResetCounters();
    KV_Store* store = KV_Open(path.c_str(), required, 0, nullptr);
    result.peak = MEM_PeakBytes() - base;
    unlink(path.c_str());
    if (store == nullptr) {
        return result;
    }
    result.opened = true;
    result.first = serialised(store);
    KV_Store* again = parsed(result.first);
    result.second = serialised(again);
    KV_Dispose(again);
    KV_Dispose(store);
    return result;
}

}  // namespace

TEST(Kv, BadFilesOpenSafely)
{
    OpenResult empty = open_bytes("");
    EXPECT_TRUE(empty.opened) << "an empty file is an empty store";
    EXPECT_EQ(empty.first, "");
    const KV_Pair required[] = {{"THEME", nullptr}, {nullptr, nullptr}};
    EXPECT_FALSE(open_bytes("", required).opened) << "but it lacks every required key";

    OpenResult zeros = open_bytes(std::string(4096, '\0'));
    EXPECT_TRUE(zeros.opened);
    EXPECT_EQ(zeros.first, "") << "the text ends at its first NUL";
    OpenResult cut = open_bytes(std::string("A = 1\nB = 2\0C = 3\n", 18));
    EXPECT_EQ(cut.first, "A = 1\nB = 2\n");

    OpenResult crOnly = open_bytes("A=1\rB=2\r\rC");
    EXPECT_EQ(crOnly.first, "A = 1\nB = 2\n\nC\n");
    OpenResult noBreak = open_bytes("KEY.UP = up");
    EXPECT_EQ(noBreak.first, "KEY.UP = up\n");

    std::string longValue(100000, 'v');
    OpenResult longLine = open_bytes("K=" + longValue);
    EXPECT_EQ(longLine.first, "K = " + longValue + "\n");
    EXPECT_LT(longLine.peak, 4 * 100002 + 1024);

    std::mt19937 random(1234);
    for (int round = 0; round < 20; round++) {
        std::string garbage(1 + random() % 3000, '\0');
        for (char& c : garbage) {
            c = static_cast<char>(random());
        }
        OpenResult r = open_bytes(garbage);
        EXPECT_TRUE(r.opened) << "round " << round;
        EXPECT_EQ(r.second, r.first) << "the written form is stable, round " << round;
        EXPECT_LE(r.peak, int64_t{64} * static_cast<int64_t>(garbage.size() + 1)) << "round " << round;
    }

    OpenResult breaks = open_bytes(std::string(100000, '\n'));
    EXPECT_EQ(breaks.first, std::string(100000, '\n'));
    EXPECT_LE(breaks.peak, int64_t{64} * 100001) << "a blank line costs one small entry";
}

TEST(Kv, ATenMegabyteFileIsReadAndWrittenBack)
{
    std::mt19937 random(99);
    std::string text;
    std::string expected;
    text.reserve(10u << 20);
    int line = 0;
    while (text.size() < (10u << 20)) {
        std::string key = "KEY" + std::to_string(line++);
        std::string value(random() % 200, 'a' + static_cast<char>(random() % 26));
        text += key + "=" + value + "\n";
    }
    OpenResult big = open_bytes(text);
    ASSERT_TRUE(big.opened);
    EXPECT_EQ(big.second, big.first);
    EXPECT_EQ(big.first.find("KEY0 "), 0u) << "padded to the longest key";
    EXPECT_LE(big.peak, int64_t{4} * static_cast<int64_t>(text.size())) << "memory grows with the file only";
}
