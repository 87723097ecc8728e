#include <gtest/gtest.h>

#include <string>

#include "tests/support/alloc_check.h"
#include "tests/support/scratch.h"
#include "util/kv.h"
#include "util/mem.h"

namespace {

const KV_Pair defaults[] = {{"THEME", "<cycle>"}, {"ZOOM", "2"}, {"INTERPOLATION", "on"}, {"KEY.UP", nullptr},
                            {nullptr, nullptr}};

std::string serialised(const KV_Store* store)
{
    char* text = nullptr;
    uint32_t length = 0;
    EXPECT_TRUE(KV_Serialise(store, &text, &length));
    const int64_t bytes = MEM_LiveBytes();
    const std::string out(text != nullptr ? text : "", length);
    EXPECT_TRUE(text != nullptr && text[length] == '\0') << "the text is followed by one NUL";
    MEM_Free(text);
    EXPECT_EQ(bytes - MEM_LiveBytes(), int64_t{length} + 1) << "exactly the text and its NUL were allocated";
    return out;
}

// Free with KV_Dispose.
KV_Store* parsed(const std::string& text, int blockMode = 0, const char* marker = nullptr)
{
    KV_Store* store = KV_Create("unused.txt", nullptr);
    EXPECT_TRUE(store != nullptr && KV_Parse(store, text.c_str(), nullptr, blockMode, marker)) << text;
    return store;
}

// The values found for the keys asked in turn, each followed by a space.
std::string values(KV_Store* store, std::initializer_list<const char*> keys)
{
    std::string out;
    for (const char* key : keys) {
        const char* value = nullptr;
        out += (KV_GetString(store, key, &value) ? value : "<absent>") + std::string(" ");
    }
    return out;
}

}  // namespace

TEST(Kv, TheFileFormatByteForByteEvenFromBadFilesInMemoryBoundByTheirSize)
{
    KV_Store* store = KV_Create("configuration.txt", defaults);
    ASSERT_NE(store, nullptr);
    EXPECT_TRUE(store->modified && store->blockLength == 0)
        << "a store made with pairs is modified, without a block";
    EXPECT_EQ(serialised(store), "THEME         = <cycle>\nZOOM          = 2\nINTERPOLATION = on\nKEY.UP\n")
        << "every '=' one past the longest key, an empty value as the key alone";
    KV_Dispose(store);
    const std::string messy = "KEY.UP =   up  \nA B = c\n  # note\n\t\nlone  \t\n= value\nKEY =\neq = a = b\n";
    const std::string block = "A = 1\nDATA = ignored\nline one\nline two";
    const struct {
        std::string in;
        std::string out;
        int mode = KV_BLOCK_NONE;
        int64_t most = 1024; // bytes live at once while opening
    } files[] = {
        {messy, "KEY.UP = up  \nA B    = c\n# note\n\nlone\n\nKEY\neq     = a = b\n"},
        {"A=1\r\n\r\nB=2\r\n", "A = 1\n\nB = 2\n"}, {"A=1\r\rB=2\r", "A = 1\n\nB = 2\n"},
        {"A=1\n\nB=2", "A = 1\n\nB = 2\n"},         {"A=1\n\r\nB=2\n", "A = 1\n\nB = 2\n"},
        {"A=1\n\nB=2\n\n", "A = 1\n\nB = 2\n\n"},   {"", ""},
        {std::string("A = 1\nB = 2\0C = 3\n", 18), "A = 1\nB = 2\n"},
        {block, "A = 1\nDATA\nline one\nline two", KV_BLOCK_OPTIONAL}, {block, "A = 1\n", KV_BLOCK_DROP},
        {block, "A        = 1\nDATA     = ignored\nline one\nline two\n"},
        {"K=" + std::string(100000, 'v'), "K = " + std::string(100000, 'v') + "\n", 0, 4 * 100002 + 1024},
        {std::string(100000, '\n'), std::string(100000, '\n'), 0, 64 * 100001},
    };
    TempDir folder;
    const std::string path = folder.Path("in.txt");
    for (const auto& f : files) {
        SCOPED_TRACE("mode " + std::to_string(f.mode) + ", file of " + std::to_string(f.in.size()) + " bytes \"" +
                     f.in.substr(0, 16) + "\": blanks around keys and before values go, no comments; CR LF, CR "
                     "and LF read alike; a NUL ends; the block is kept whole");
        PutFile(path, f.in);
        const int64_t base = MEM_LiveBytes();
        MEM_ResetCounters();
        store = KV_Open(path.c_str(), nullptr, f.mode, "DATA");
        EXPECT_LE(MEM_PeakBytes() - base, f.most) << "a blank line costs one small entry, a long line a few times it";
        ASSERT_NE(store, nullptr);
        const std::string out = serialised(store);
        EXPECT_EQ(out, f.out);
        KV_Dispose(store);
        store = parsed(out, f.mode, "DATA");
        EXPECT_EQ(serialised(store), out) << "the written form reads back the same";
        KV_Dispose(store);
    }
}

TEST(Kv, BlocksAreKeptWhole)
{
    KV_Store* store = parsed("ZOOM=2\n#M\nold block", 1, "#M");
    EXPECT_FALSE(KV_Parse(store, "A = 1\nDATA\n", nullptr, KV_BLOCK_REQUIRED, "DATA")) << "an empty block is none";
    ASSERT_TRUE(KV_SetBlock(store, "MORE", "ab\0cd", 5) && store->blockText[5] == '\0');
    EXPECT_EQ(serialised(store), std::string("A = 1\nMORE\nab\0cd", 16))
        << "block bytes after a NUL are kept";
    EXPECT_FALSE(KV_ReplaceString(nullptr, "A", "3") || KV_ReplaceString(store, nullptr, "3") ||
                 KV_SetBlock(store, "#M", nullptr, 1))
        << "no store, no key, no data for a length";
    store->modified = false;
    KV_ClearBlock(store);
    EXPECT_TRUE(store->modified && serialised(store) == "A = 1\n")
        << "a cleared block must reach the file";
    EXPECT_TRUE(KV_SetBlock(store, "#M", nullptr, 0) && serialised(store) == "A = 1\n#M\n")
        << "an empty block needs no data";
    KV_Dispose(store);
}

TEST(Kv, LookupsStartAfterTheCursorAndWrapRound)
{
    KV_Store* store = parsed("X = 1\nA = a\n\nX = 2\n");
    EXPECT_EQ(values(store, {"X", "X", "A", "A", "X", "x", "", "X"}), "2 1 a a 2 <absent> <absent> 1 ")
        << "from after the last entry found, round to itself; case counts; blank lines are no key";
    KV_Dispose(store);
    store = parsed("A = 1\n\nB = 2\nC = 3\n");
    store->modified = false;
    ASSERT_TRUE(KV_SetString(store, "B", "two"));
    EXPECT_TRUE(store->modified && std::string(store->cursor->value) == "two") << "the cursor moves to the entry set";
    ASSERT_TRUE(KV_SetString(store, "D", nullptr));
    EXPECT_FALSE(KV_ReplaceString(store, "F", "x") || KV_HasKey(store, "F") ||
                 KV_ReplaceString(store, "", "x"))
        << "replacing an absent key fails; blank lines have no key to replace";
    ASSERT_TRUE(KV_SetString(store, "A_MUCH_LONGER_KEY", "v"));
    EXPECT_EQ(serialised(store), "A                 = 1\n\nB                 = two\nC                 = 3\nD\n"
                                 "A_MUCH_LONGER_KEY = v\n")
        << "an existing key keeps its line, new keys go last, a new longest key moves every '='";
    EXPECT_TRUE(KV_RemoveKey(store, "A_MUCH_LONGER_KEY") && std::string(store->cursor->key) == "D")
        << "the cursor falls back to the previous entry at the end";
    KV_Clear(store);
    EXPECT_TRUE(store->cursor == nullptr && !KV_RemoveKey(store, "D") && serialised(store).empty());
    KV_Dispose(store);
}

TEST(Kv, TypedValues)
{
    KV_Store* store = parsed("U = 7x\nBIG = 99999999999\nLOW = -99999999999\nH = 0xff\n");
    uint32_t u = 5, h = 5, missing = 5;
    int32_t low = 5;
    double f = 5;
    EXPECT_TRUE(KV_GetUInt(store, "U", &u) && KV_GetInt(store, "LOW", &low) &&
                KV_GetFloat(store, "BIG", &f) && KV_GetHex(store, "H", &h));
    EXPECT_TRUE(u == 7 && low == INT32_MIN && f == 99999999999.0 && h == 255)
        << "the leading digits; signed integers are clamped";
    EXPECT_FALSE(KV_GetUInt(store, "Z", &missing) || KV_GetHex(store, "U", &missing) ||
                 missing != 5)
        << "an absent key, hex without its 0x; a failed get leaves the output alone";
    ASSERT_TRUE(KV_SetHex(store, "X", 0xABCu) && KV_SetFloat(store, "F", 1.5) &&
                KV_ReplaceUInt(store, "U", 4294967295u) && !KV_ReplaceUInt(store, "Z", 4) &&
                !KV_ReplaceInt(store, "Z", 4) && !KV_ReplaceHex(store, "Z", 4) &&
                !KV_ReplaceFloat(store, "Z", 4));
    EXPECT_EQ(serialised(store), "U   = 4294967295\nBIG = 99999999999\nLOW = -99999999999\n"
                                 "H   = 0xff\nX   = 0xABC\nF   = 1.500000\n");
    EXPECT_TRUE(KV_IsString(store, "X", "0xABC") && !KV_IsString(store, "X", "0xAB") &&
                !KV_IsString(store, "Z", ""));
    char buffer[6];
    EXPECT_TRUE(KV_CopyString(store, "X", buffer, sizeof buffer) &&
                !KV_CopyString(store, "X", buffer, 5))
        << "a value fits with its NUL or is refused";
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
    EXPECT_TRUE(!store->modified && KV_Flush(store)) << "a freshly read store is unchanged";
    EXPECT_EQ(FileText(path), "THEME=blue\r\nZOOM = 3\r\n") << "an unchanged store is not written";
    ASSERT_TRUE(KV_ReplaceUInt(store, "ZOOM", 4));
    EXPECT_TRUE(KV_Flush(store) && !store->modified && KV_Close(store));
    EXPECT_EQ(FileText(path), "THEME = blue\nZOOM  = 4\n");
    EXPECT_TRUE(KV_Open(path.c_str(), defaults, 0, nullptr) == nullptr &&
                KV_Open(folder.Path("missing").c_str(), nullptr, 0, nullptr) == nullptr)
        << "a required key is absent; a missing file";
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
        const bool ok = store != nullptr;
        EXPECT_TRUE(!ok || (store->blockMarker != nullptr && NODE_Count(&store->entries) == 3)) << "all read";
        KV_Dispose(store);
        return ok;
    });
    KV_Store* store = parsed("A = 1\nB = 2\n");
    CheckEachAllocationFailure([store] {
        const bool ok = KV_SetString(store, "A", "changed");
        EXPECT_EQ(values(store, {"A", "B"}), ok ? "changed 2 " : "1 2 ") << "a failed set changes nothing";
        return ok;
    });
    MEM_FailAt(1);
    char* text = nullptr;
    uint32_t length = 0;
    EXPECT_TRUE(!KV_Serialise(store, &text, &length) && text == nullptr) << "out of memory while writing";
    MEM_FailAt(0);
    KV_Dispose(store);
}
