#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>

#include "tests/support/alloc_check.h"
#include "tests/support/scratch.h"
#include "util/kv.h"
#include "util/mem.h"

namespace {

const KV_Pair defaults[] = {
    {"THEME", "<cycle>"}, {"VIDEO", "window"}, {"ZOOM", "2"}, {"INTERPOLATION", "on"},
    {"VOLUME", "medium"}, {"DIFFICULTY", "normal"}, {"KEY.UP", "up"}, {"KEY.DOWN", "down"},
    {"KEY.LEFT", "left"}, {"KEY.RIGHT", "right"}, {"KEY.BUTTON1", "x"}, {"KEY.BUTTON2", "c"},
    {"KEY.BUTTON3", "space"}, {"KEY.PAUSE", "p"}, {"KEY.QUIT", "escape"}, {nullptr, nullptr},
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

// Free with KV_Dispose.
KV_Store* parsed(const std::string& text, int blockMode = 0, const char* marker = nullptr)
{
    KV_Store* store = KV_Create("unused.txt", nullptr);
    EXPECT_TRUE(store != nullptr && KV_Parse(store, text.c_str(), nullptr, blockMode, marker)) << text;
    return store;
}

std::string rewritten(const std::string& text)
{
    KV_Store* store = parsed(text);
    std::string out = serialised(store);
    KV_Dispose(store);
    return out;
}

// Does not allocate, so it can run while an allocation failure is armed.
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
    return KV_GetString(store, key, &value) ? value : "<absent>";
}

}  // namespace

TEST(Kv, TheFileFormatByteForByte)
{
    KV_Store* store = KV_Create("configuration.txt", defaults);
    ASSERT_NE(store, nullptr);
    EXPECT_TRUE(store->modified) << "a store made with pairs is modified";
    int64_t before = MEM_LiveBytes();
    char* text = nullptr;
    uint32_t length = 0;
    ASSERT_TRUE(KV_Serialise(store, &text, &length));
    EXPECT_EQ(std::string(text, length), defaultsText) << "every '=' one past the longest key";
    EXPECT_EQ(MEM_LiveBytes() - before, int64_t{length} + 1) << "exactly the text and one NUL";
    EXPECT_EQ(text[length], '\0');
    MEM_Free(text);
    KV_Dispose(store);
    EXPECT_EQ(rewritten(defaultsText), defaultsText) << "the written form reads back unchanged";

    store = parsed("KEY.UP =   up  \nA B = c\n  # note\n\t\nlone  \t\n= value\nKEY =\neq = a = b\n");
    EXPECT_EQ(value_of(store, "KEY.UP"), "up  ") << "trailing blanks stay part of the value";
    EXPECT_EQ(value_of(store, "# note"), "") << "there is no comment syntax";
    EXPECT_EQ(value_of(store, "eq"), "a = b");
    EXPECT_EQ(NODE_Count(&store->entries), 8u) << "a key with trailing blanks and no '=' leaves no extra blank line";
    EXPECT_EQ(serialised(store), "KEY.UP = up  \nA B    = c\n# note\n\nlone\n\nKEY\neq     = a = b\n")
        << "'= value' becomes a blank line and 'KEY =' the key alone";
    KV_Dispose(store);

    const struct {
        const char* in;
        const char* out;
    } breaks[] = {
        {"A=1\r\n\r\nB=2\r\n", "A = 1\n\nB = 2\n"}, {"A=1\r\rB=2\r", "A = 1\n\nB = 2\n"},
        {"A=1\n\nB=2", "A = 1\n\nB = 2\n"},         {"A=1\n\r\nB=2\n", "A = 1\n\nB = 2\n"},
        {"A=1\n\nB=2\n\n", "A = 1\n\nB = 2\n\n"},   {"\n", "\n"},
        {"", ""},
    };
    for (const auto& b : breaks) {
        EXPECT_EQ(rewritten(b.in), b.out) << "CR LF, CR and LF read alike and are written as LF: " << b.in;
    }
}

TEST(Kv, LookupsStartAfterTheCursorAndWrapRound)
{
    KV_Store* store = parsed("X = 1\nX = 2\n");
    EXPECT_EQ(value_of(store, "X"), "2") << "the first lookup starts after the first entry";
    EXPECT_EQ(value_of(store, "X"), "1") << "and the next one wraps round";
    EXPECT_EQ(serialised(store), "X = 1\nX = 2\n") << "repeated keys are both kept";
    KV_Dispose(store);

    store = parsed("A = 1\n\nB = 2\nC = 3\n");
    EXPECT_EQ(value_of(store, "C"), "3");
    EXPECT_EQ(value_of(store, "A"), "1") << "from the end back to the first entry";
    EXPECT_EQ(value_of(store, "A"), "1") << "the cursor entry itself is tried last";
    EXPECT_EQ(value_of(store, "a"), "<absent>") << "keys are case-sensitive";
    EXPECT_EQ(value_of(store, ""), "<absent>") << "blank lines cannot be looked up";

    store->modified = false;
    ASSERT_TRUE(KV_SetString(store, "B", "two"));
    EXPECT_TRUE(store->modified);
    EXPECT_EQ(store->cursor->value, std::string("two")) << "the cursor moves to the entry set";
    ASSERT_TRUE(KV_SetString(store, "D", nullptr));
    EXPECT_FALSE(KV_ReplaceString(store, "F", "x")) << "replacing an absent key fails";
    EXPECT_FALSE(KV_HasKey(store, "F"));
    ASSERT_TRUE(KV_SetString(store, "A_MUCH_LONGER_KEY", "v"));
    EXPECT_EQ(serialised(store), "A                 = 1\n\nB                 = two\nC                 = 3\nD\n"
                                 "A_MUCH_LONGER_KEY = v\n")
        << "an existing key keeps its line, new keys go last, a new longest key moves every '='";

    EXPECT_TRUE(KV_RemoveKey(store, "A_MUCH_LONGER_KEY"));
    EXPECT_EQ(store->cursor->key, std::string("D")) << "the cursor falls back to the previous entry at the end";
    EXPECT_TRUE(KV_RemoveKey(store, "B"));
    EXPECT_EQ(store->cursor->key, std::string("C")) << "or moves on to the next";
    EXPECT_FALSE(KV_RemoveKey(store, "B"));
    EXPECT_EQ(serialised(store), "A = 1\n\nC = 3\nD\n");
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
    EXPECT_TRUE(KV_GetUInt(store, "U", &u) && u == 7u) << u;
    EXPECT_TRUE(KV_GetInt(store, "I", &i) && i == -12) << i;
    EXPECT_TRUE(KV_GetInt(store, "BIG", &i) && i == INT32_MAX) << "an out-of-range integer is clamped: " << i;
    EXPECT_TRUE(KV_GetFloat(store, "F", &f) && f == 25.0) << f;
    EXPECT_TRUE(KV_GetHex(store, "H", &u) && u == 255u) << u;
    u = 5;
    EXPECT_FALSE(KV_GetHex(store, "N", &u)) << "a hex value needs its 0x";
    EXPECT_FALSE(KV_GetUInt(store, "MISSING", &u));
    EXPECT_EQ(u, 5u) << "a failed get leaves the output alone";

    ASSERT_TRUE(KV_SetHex(store, "H", 0xABCu) && KV_SetInt(store, "I", INT32_MIN) && KV_SetFloat(store, "F", 1.5) &&
                KV_SetUInt(store, "U", 4294967295u));
    EXPECT_EQ(value_of(store, "H") + " " + value_of(store, "I") + " " + value_of(store, "F") + " " + value_of(store, "U"),
              "0xABC -2147483648 1.500000 4294967295");
    EXPECT_TRUE(KV_ReplaceUInt(store, "U", 4) && KV_ReplaceInt(store, "I", -1) && KV_ReplaceHex(store, "N", 0) &&
                KV_ReplaceFloat(store, "F", -0.25));
    EXPECT_FALSE(KV_ReplaceUInt(store, "ZOOM", 4));
    EXPECT_EQ(serialised(store), "U   = 4\nI   = -1\nBIG = 99999999999\nF   = -0.250000\nH   = 0xABC\nN   = 0x0\n");
    EXPECT_TRUE(KV_IsString(store, "U", "4"));
    EXPECT_FALSE(KV_IsString(store, "U", "4 "));
    char buffer[6];
    EXPECT_TRUE(KV_CopyString(store, "H", buffer, sizeof buffer));
    EXPECT_STREQ(buffer, "0xABC");
    EXPECT_FALSE(KV_CopyString(store, "H", buffer, 5)) << "a value that does not fit with its NUL is refused";
    KV_Dispose(store);
}

TEST(Kv, FreeTextBlocks)
{
    const std::string text = "A = 1\nDATA = ignored\nline one\nline two";
    KV_Store* store = parsed(text, KV_BLOCK_OPTIONAL, "DATA");
    EXPECT_EQ(NODE_Count(&store->entries), 1u) << "the marker line is no entry";
    EXPECT_EQ(std::string(store->blockText, store->blockLength), "line one\nline two");
    EXPECT_EQ(serialised(store), "A = 1\nDATA\nline one\nline two") << "the block is written unchanged";
    KV_Dispose(store);
    store = parsed(text, KV_BLOCK_DROP, "DATA");
    EXPECT_EQ(serialised(store), "A = 1\n") << "dropped";
    KV_Dispose(store);
    store = parsed(text, KV_BLOCK_NONE, "DATA");
    EXPECT_EQ(NODE_Count(&store->entries), 4u) << "mode 0 ignores the marker";

    EXPECT_FALSE(KV_Parse(store, "A = 1\nDATA\n", nullptr, KV_BLOCK_REQUIRED, "DATA")) << "an empty block is none";
    EXPECT_FALSE(KV_Parse(store, "A = 1\n", nullptr, KV_BLOCK_REQUIRED, "DATA"));
    EXPECT_TRUE(KV_Parse(store, "DATA\r\nx", nullptr, KV_BLOCK_REQUIRED, "DATA"));
    EXPECT_STREQ(store->blockText, "x");
    ASSERT_TRUE(KV_SetBlock(store, "MORE", "ab\0cd", 5));
    EXPECT_EQ(serialised(store), std::string("MORE\nab\0cd", 10)) << "block bytes after a NUL are kept";
    KV_ClearBlock(store);
    EXPECT_EQ(serialised(store), "");
    KV_Dispose(store);
}

TEST(Kv, OpeningFlushingAndClosing)
{
    TempDir folder;
    const std::string path = folder.Path("config.txt");
    PutFile(path, "THEME=blue\r\nZOOM = 3\r\n");
    const KV_Pair required[] = {{"ZOOM", nullptr}, {"THEME", nullptr}, {nullptr, nullptr}};
    KV_Store* store = KV_Open(path.c_str(), required, 0, nullptr);
    ASSERT_NE(store, nullptr);
    EXPECT_FALSE(store->modified) << "a freshly read store is unchanged";
    EXPECT_TRUE(KV_Flush(store));
    EXPECT_EQ(FileText(path), "THEME=blue\r\nZOOM = 3\r\n") << "an unchanged store is not written";
    ASSERT_TRUE(KV_ReplaceUInt(store, "ZOOM", 4));
    EXPECT_TRUE(KV_Close(store));
    EXPECT_EQ(FileText(path), "THEME = blue\nZOOM  = 4\n");

    EXPECT_EQ(KV_Open(path.c_str(), defaults, 0, nullptr), nullptr) << "a required key is absent";
    EXPECT_EQ(KV_Open(folder.Path("missing").c_str(), nullptr, 0, nullptr), nullptr);

    store = KV_Open(path.c_str(), nullptr, 0, nullptr);
    ASSERT_NE(store, nullptr);
    KV_Clear(store);
    EXPECT_FALSE(KV_Close(store)) << "an empty store is never written, so closing it fails and keeps it";
    EXPECT_EQ(FileText(path), "THEME = blue\nZOOM  = 4\n");
    KV_Dispose(store);

    store = KV_Create(folder.Path("nofolder/x.txt").c_str(), defaults);
    ASSERT_NE(store, nullptr);
    EXPECT_FALSE(KV_Close(store)) << "a failed write keeps the store";
    KV_Dispose(store);
    EXPECT_TRUE(KV_Close(nullptr));
}

TEST(Kv, EveryAllocationFailureIsCleanedUp)
{
    CheckEachAllocationFailure([] {
        KV_Store* store = KV_Create("configuration.txt", defaults);
        KV_Dispose(store);
        return store != nullptr;
    });

    TempDir folder;
    const std::string path = folder.Path("alloc.txt");
    PutFile(path, "A = 1\n\nB = 2\nBLOCK\ntext");
    CheckEachAllocationFailure([&path] {
        KV_Store* store = KV_Open(path.c_str(), nullptr, KV_BLOCK_OPTIONAL, "BLOCK");
        bool ok = store != nullptr && store->blockMarker != nullptr;
        KV_Dispose(store);
        return ok;
    });

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
        bool ok = KV_SetString(store, "A", "changed");
        EXPECT_EQ(listing(store), ok ? "A=changed;B=2;" : before) << "a failed set changes nothing";
        return ok;
    });
    KV_Dispose(store);
}

namespace {

struct OpenResult {
    bool opened = false;
    std::string first;  // serialised after opening
    std::string second; // serialised after parsing the first text again
    int64_t peak = 0;   // most bytes live during KV_Open
};

OpenResult open_bytes(const std::string& bytes, const KV_Pair* required = nullptr)
{
    TempDir folder;
    PutFile(folder.Path("bad.txt"), bytes);
    OpenResult result;
    int64_t base = MEM_LiveBytes();
    MEM_ResetCounters();
    KV_Store* store = KV_Open(folder.Path("bad.txt").c_str(), required, 0, nullptr);
    result.peak = MEM_PeakBytes() - base;
    if (store != nullptr) {
        result.opened = true;
        result.first = serialised(store);
        result.second = rewritten(result.first);
        KV_Dispose(store);
    }
    return result;
}

}  // namespace

TEST(Kv, BadFilesOpenSafelyInMemoryBoundByTheirSize)
{
    const KV_Pair required[] = {{"THEME", nullptr}, {nullptr, nullptr}};
    EXPECT_FALSE(open_bytes("", required).opened) << "an empty file lacks every required key";
    const struct {
        std::string in;
        std::string out;
        int64_t most; // bytes live at once while opening
    } files[] = {
        {"", "", 1024},
        {std::string(4096, '\0'), "", 64 * 4097},
        {std::string("A = 1\nB = 2\0C = 3\n", 18), "A = 1\nB = 2\n", 1024},
        {"A=1\rB=2\r\rC", "A = 1\nB = 2\n\nC\n", 1024},
        {"K=" + std::string(100000, 'v'), "K = " + std::string(100000, 'v') + "\n", 4 * 100002 + 1024},
        {std::string(100000, '\n'), std::string(100000, '\n'), 64 * 100001},
    };
    for (const auto& f : files) {
        OpenResult r = open_bytes(f.in);
        SCOPED_TRACE("file of " + std::to_string(f.in.size()) + " bytes starting " + f.in.substr(0, 12));
        EXPECT_TRUE(r.opened);
        EXPECT_EQ(r.first, f.out) << "the text ends at its first NUL; CR alone breaks lines";
        EXPECT_LE(r.peak, f.most) << "a blank line costs one small entry, a long line a few times its length";
    }

    std::mt19937 random(1234);
    for (int round = 0; round < 20; round++) {
        std::string garbage(1 + random() % 3000, '\0');
        for (char& c : garbage) {
            c = static_cast<char>(random());
        }
        OpenResult r = open_bytes(garbage);
        EXPECT_TRUE(r.opened && r.second == r.first) << "the written form is stable, round " << round;
        EXPECT_LE(r.peak, int64_t{64} * static_cast<int64_t>(garbage.size() + 1)) << "round " << round;
    }

    std::string big;
    for (int line = 0; big.size() < (10u << 20); line++) {
        big += "KEY" + std::to_string(line) + "=" + std::string(random() % 200, 'a' + static_cast<char>(random() % 26)) + "\n";
    }
    OpenResult r = open_bytes(big);
    ASSERT_TRUE(r.opened) << "a 10 MB file";
    EXPECT_EQ(r.second, r.first);
    EXPECT_EQ(r.first.find("KEY0 "), 0u) << "padded to the longest key";
    EXPECT_LE(r.peak, int64_t{4} * static_cast<int64_t>(big.size())) << "memory grows with the file only";
}
