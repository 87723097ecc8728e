#include "game/chart.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "shell/app.h"
#include "shell/paths.h"
#include "tests/support/surface_util.h"
#include "toolkit/gfx/font.h"
#include "util/kv.h"
#include "util/mem.h"
#include "util/tools.h"

namespace {

// Rows and the file they must give, scrambled by hand from the layout: points big-endian at
// 20 * i, the name from 20 * i + 4 with zeros after it.
const ChartEntry kRows[CHART_ROWS] = {
    {123456789, "alice"}, {70000, "bob"}, {4096, "fifteen-chars-x"}, {255, ""}, {1, "z"},
    {0, ""},              {0, ""},        {0, ""},                   {0, ""},   {0, ""},
};
const uint8_t kFile[CHART_FILE_SIZE] = {
    0xF2, 0xEE, 0x9F, 0x4F, 0x4A, 0xA1, 0x12, 0x40, 0xA3, 0xA0, 0x5E, 0x1B, 0xD7, 0x92, 0x4C, 0x05,
    0xBD, 0x74, 0x2A, 0xDF, 0x93, 0x47, 0xE8, 0xE9, 0x3B, 0x49, 0x85, 0xB6, 0x62, 0x0D, 0xB7, 0x60,
    0x08, 0xAF, 0x55, 0xFA, 0x9E, 0x41, 0xE3, 0x84, 0x24, 0xC3, 0x71, 0xEE, 0xEC, 0xEE, 0x1C, 0x0D,
    0x00, 0x32, 0x24, 0x68, 0x9D, 0x86, 0x89, 0xAA, 0xC9, 0x9B, 0x21, 0x4E, 0xDA, 0x65, 0xEF, 0x87,
    0xEF, 0x76, 0xFC, 0x81, 0x05, 0x88, 0x0A, 0x8B, 0x0B, 0x8A, 0x08, 0x85, 0x01, 0x7C, 0xF6, 0x6F,
    0xE7, 0x5E, 0xD4, 0x48, 0xC4, 0xC7, 0x39, 0xAA, 0x1A, 0x89, 0xF7, 0x64, 0xD0, 0x3B, 0xA5, 0x0E,
    0x76, 0xDD, 0x43, 0xA8, 0x0C, 0x6F, 0xD1, 0x32, 0x92, 0xF1, 0x4F, 0xAC, 0x08, 0x63, 0xBD, 0x16,
    0x6E, 0xC5, 0x1B, 0x70, 0xC4, 0x17, 0x69, 0xBA, 0x0A, 0x59, 0xA7, 0xF4, 0x40, 0x8B, 0xD5, 0x1E,
    0x66, 0xAD, 0xF3, 0x38, 0x7C, 0xBF, 0x01, 0x42, 0x82, 0xC1, 0xFF, 0x3C, 0x78, 0xB3, 0xED, 0x26,
    0x5E, 0x95, 0xCB, 0x00, 0x34, 0x67, 0x99, 0xCA, 0xFA, 0x29, 0x57, 0x84, 0xB0, 0xDB, 0x05, 0x2E,
    0x56, 0x7D, 0xA3, 0xC8, 0xEC, 0x0F, 0x31, 0x52, 0x72, 0x91, 0xAF, 0xCC, 0xE8, 0x03, 0x1D, 0x36,
    0x4E, 0x65, 0x7B, 0x90, 0xA4, 0xB7, 0xC9, 0xDA, 0xEA, 0xF9, 0x07, 0x14, 0x20, 0x2B, 0x35, 0x3E,
    0x46, 0x4D, 0x53, 0x58, 0x5C, 0x5F, 0x61, 0x62,
};

const std::vector<uint8_t> kFileBytes(kFile, kFile + CHART_FILE_SIZE);

void ExpectDefaultChart(const std::string& why)
{
    for (int i = 0; i < CHART_ROWS; i++) {
        EXPECT_EQ(chart[i].points, 5000u - 500u * i) << why << ", row " << i + 1;
        EXPECT_STREQ(chart[i].name, "plume") << why << ", row " << i + 1;
    }
}

TEST(ChartBytes, RowsAndTheFileWorkedOutByHand)
{
    memcpy(chart, kRows, sizeof chart);
    // Bytes left behind the NUL by an earlier, longer name must not reach the file.
    memcpy(chart[3].name, "\0leftover", 10);
    uint8_t out[CHART_FILE_SIZE];
    ChartToBytes(out);
    for (int i = 0; i < CHART_FILE_SIZE; i++) {
        ASSERT_EQ(out[i], kFile[i]) << "byte " << i;
    }
    SetDefaultChart();
    ASSERT_TRUE(ChartFromBytes(kFile, CHART_FILE_SIZE));
    for (int i = 0; i < CHART_ROWS; i++) {
        EXPECT_EQ(chart[i].points, kRows[i].points) << "row " << i + 1;
        EXPECT_STREQ(chart[i].name, kRows[i].name) << "row " << i + 1;
    }
    std::vector<uint8_t> data(kFileBytes);
    data.resize(400);
    for (size_t size : {0, 1, 199, 201, 400}) {
        memcpy(chart, kRows, sizeof chart);
        EXPECT_FALSE(ChartFromBytes(data.data(), size)) << size;
        ExpectDefaultChart("length " + std::to_string(size));
    }
    EXPECT_FALSE(ChartFromBytes(nullptr, CHART_FILE_SIZE));
}

TEST(ChartBytes, NamesFromAFileAreCutToFifteenCharacters)
{
    // Every name field full of letters, no NUL anywhere.
    uint8_t plain[CHART_FILE_SIZE];
    memset(plain, 'Q', sizeof plain);
    AUX_Scramble(plain, CHART_FILE_SIZE);
    ASSERT_TRUE(ChartFromBytes(plain, CHART_FILE_SIZE));
    for (int i = 0; i < CHART_ROWS; i++) {
        EXPECT_EQ(std::string(chart[i].name), std::string(15, 'Q')) << "row " << i + 1;
        EXPECT_EQ(chart[i].points, 0x51515151u) << "row " << i + 1;
    }
}

class ChartFile : public ::testing::Test {
protected:
    void SetUp() override
    {
        saved = app;
        ASSERT_TRUE(PortableFolders(folder.c_str(), &folders));
        app.folders = &folders;
        app.backBufferX = 0;
        const KV_Pair pairs[] = {{"CHART", "127 150"}, {nullptr, nullptr}};
        app.descriptor = KV_Create("descriptor.txt", pairs);
        ASSERT_NE(app.descriptor, nullptr);
        ForgetNotices();
    }
    void TearDown() override
    {
        KV_Dispose(app.descriptor);
        app = saved;
    }
    void Put(const std::vector<uint8_t>& bytes) { dir.Write("chart.raw", bytes); }
    // Loads, puts the rows in and saves, as a theme pass does; returns what was said.
    std::string Pass(bool loads = true)
    {
        ::testing::internal::CaptureStderr();
        EXPECT_EQ(LoadChart(), loads);
        loadedDefault = chart[0].points == 5000 && strcmp(chart[9].name, "plume") == 0;
        memcpy(chart, kRows, sizeof chart);
        SaveChart();
        return ::testing::internal::GetCapturedStderr();
    }

    App saved{};
    bool loadedDefault = false;
    Folders folders{};
    TempDir dir;
    const std::string folder = dir.Path("");
    const std::string path = dir.Path("chart.raw");
};

TEST_F(ChartFile, SavedAndLoadedThroughTheDataFolder)
{
    EXPECT_EQ(Pass(), "");
    EXPECT_EQ(ReadBytes(path), kFileBytes);

    app.backBufferX = 100; // at zoom 1 the field sits inside a wider screen
    ASSERT_TRUE(LoadChart());
    EXPECT_EQ(chartCentreX, 227);
    EXPECT_EQ(chartTop, 150);
    EXPECT_EQ(chart[0].points, 123456789u);
    EXPECT_STREQ(chart[2].name, "fifteen-chars-x");

    // A data folder that does not exist yet is made when the chart is first saved.
    const std::string deeper = folder + "new/zaf/";
    ASSERT_TRUE(PortableFolders(deeper.c_str(), &folders));
    EXPECT_EQ(Pass(), "");
    EXPECT_EQ(ReadBytes(deeper + "chart.raw"), kFileBytes);
    struct stat info {};
    ASSERT_EQ(stat(deeper.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u) << "the player's folders are private";
    EXPECT_FALSE(WriteChartFile((folder + "no/such/folder/chart.raw").c_str()));
}

TEST_F(ChartFile, AFileHoldingNoChartGivesTheDefaultAndIsReplaced)
{
    memcpy(chart, kRows, sizeof chart);
    ASSERT_TRUE(LoadChart()) << "a missing file is not a failure";
    ExpectDefaultChart("missing file");
    std::vector<uint8_t> longer(kFileBytes);
    longer.push_back(0);
    const std::vector<uint8_t> files[] = {{kFile, kFile + CHART_FILE_SIZE - 1}, longer};
    for (const auto& bytes : files) {
        Put(bytes);
        memcpy(chart, kRows, sizeof chart);
        ASSERT_TRUE(LoadChart());
        ExpectDefaultChart("file of " + std::to_string(bytes.size()) + " bytes");
        memcpy(chart, kRows, sizeof chart);
        SaveChart();
        EXPECT_EQ(ReadBytes(path), kFileBytes) << "file of " << bytes.size() << " bytes";
    }
}

TEST_F(ChartFile, AFileThatCannotBeReadIsNeverReplaced)
{
    // As root no permission keeps a file from being read, so the unreadable files here are
    // of other kinds: a folder, a FIFO (which must not block the start), and a file standing
    // where the data folder should be.
    struct Case {
        const char* what;
        bool (*make)(const std::string& path);
    };
    const Case cases[] = {
        {"a folder", [](const std::string& p) { return mkdir(p.c_str(), 0700) == 0; }},
        {"a FIFO", [](const std::string& p) { return mkfifo(p.c_str(), 0600) == 0; }},
    };
    for (const Case& c : cases) {
        std::remove(path.c_str());
        ASSERT_TRUE(c.make(path)) << c.what;
        ForgetNotices();
        const std::string said = Pass();
        EXPECT_TRUE(loadedDefault) << c.what;
        EXPECT_NE(said.find("chart.raw"), std::string::npos) << c.what << ": " << said;
        EXPECT_EQ(said.find('\n'), said.size() - 1) << c.what << ": one line: " << said;
        struct stat info {};
        ASSERT_EQ(stat(path.c_str(), &info), 0) << c.what;
        EXPECT_FALSE(S_ISREG(info.st_mode)) << c.what << " was replaced";
        EXPECT_EQ(Pass(), "") << c.what << ": said only once";
    }
    rmdir(path.c_str());
    std::remove(path.c_str());

    Put(kFileBytes);
    const std::string underFile = path + "/";
    ASSERT_TRUE(PortableFolders(underFile.c_str(), &folders));
    ForgetNotices();
    EXPECT_NE(Pass().find("chart.raw"), std::string::npos);
    EXPECT_EQ(ReadBytes(path), kFileBytes) << "the file standing in the way";
}

TEST_F(ChartFile, APlaceWithoutTwoNumbersFailsButTheRowsAreRead)
{
    Put(kFileBytes);
    for (const char* place : {"127", "", "x 5"}) {
        ASSERT_TRUE(KV_SetString(app.descriptor, "CHART", place));
        SetDefaultChart();
        EXPECT_FALSE(LoadChart()) << "'" << place << "'";
        EXPECT_EQ(chart[0].points, 123456789u) << "the file is read whatever the place";
    }
    ASSERT_TRUE(KV_RemoveKey(app.descriptor, "CHART"));
    EXPECT_FALSE(LoadChart()) << "no CHART at all";
    unsigned x = 0;
    unsigned y = 0;
    EXPECT_TRUE(ParseChartPlace(" 12  34 ", &x, &y));
    EXPECT_EQ(x * 1000 + y, 12034u);
}

// A font whose glyphs are solid blocks 5 pixels high: digits 3 wide, the space 2, every
// other character 4, in the colour given; written as a BMP of boxes and loaded as the
// theme's fonts are.
TXT_Font* BlockFont(const TempDir& dir, uint32_t colour)
{
    std::string set;
    for (int c = 0x20; c < 0x7F; c++) {
        set += static_cast<char>(c);
    }
    auto widthOf = [](char c) { return c == ' ' ? 2 : (c >= '0' && c <= '9') ? 3 : 4; };
    int total = 0;
    for (char c : set) {
        total += widthOf(c) + 3; // the box and a one-pixel gap
    }
    SDL_Surface* sheet = NewSurface32(total, 7, 0x808081);
    if (sheet == nullptr) {
        return nullptr;
    }
    int x = 0;
    for (char c : set) {
        FillBox(sheet, x, 0, widthOf(c) + 2, 7, 0xFF00FF); // the box colour, as the top-left pixel
        FillBox(sheet, x + 1, 1, widthOf(c), 5, c == ' ' ? 0x808081 : colour);
        x += widthOf(c) + 3;
    }
    const std::string path = dir.SaveBMP(sheet, "font.bmp");
    return TXT_LoadFont(path.c_str(), nullptr, -1, 0x808081, app.backBuffer->format, 0, set.c_str());
}

class ChartTable : public ChartFile {
protected:
    void SetUp() override
    {
        ChartFile::SetUp();
        app.backBuffer = NewSurface32(PICTURE_SIZE, PICTURE_SIZE);
        ASSERT_NE(app.backBuffer, nullptr);
        app.fontChart = BlockFont(dir, 0xFFFFFF);
        app.fontLabels = BlockFont(dir, 0xFFFF00);
        app.fontOutline = BlockFont(dir, 0xFF0000);
        ASSERT_TRUE(app.fontChart != nullptr && app.fontLabels != nullptr && app.fontOutline != nullptr);
        ASSERT_TRUE(LoadChart()); // CHART 127 150, no file: the default chart
    }
    void TearDown() override
    {
        TXT_FreeFont(app.fontChart);
        TXT_FreeFont(app.fontLabels);
        TXT_FreeFont(app.fontOutline);
        SDL_FreeSurface(app.backBuffer);
        ChartFile::TearDown();
    }
    // The first column from the left of row y holding the colour; -1 when there is none.
    int LeftmostIn(int y, uint32_t colour)
    {
        for (int x = 0; x < PICTURE_SIZE; x++) {
            if (PixelAt(app.backBuffer, x, y) == colour) {
                return x;
            }
        }
        return -1;
    }
};
TEST_F(ChartTable, RowsAreRightAlignedOnTheirPointsAndTheWidestRowIsCentred)
{
    // Widths with spacing 1: digits 3, space 2, letters 4.
    chart[0] = {123456, "ab"};      // "123456 ab": 6*3 + 2 + 2*4 + 8 = 36, points 23
    chart[1] = {5, "abcdefghijklm"}; // "5 abcdefghijklm": 3 + 2 + 13*4 + 14 = 71, the widest
    chart[2] = {77, ""};            // "77 ": 3 + 3 + 2 + 2 = 10
    DrawChart();
    // The title: yellow, centred on 127; y0 = 150 - 6 * 6 = 114.
    const int titleWidth = TXT_TextWidth(app.fontLabels, "TOP KINGS", 1);
    EXPECT_EQ(LeftmostIn(116, 0xFFFF00), 127 - titleWidth / 2);
    EXPECT_EQ(LeftmostIn(116, 0xFF0000), 127 - titleWidth / 2 - 1) << "outlined";
    // The points column ends at a = 127 - 71 / 2 + 3 = 95.
    const int rowY[3] = {114 + 6 + 6, 114 + 6 + 12, 114 + 6 + 18};
    EXPECT_EQ(LeftmostIn(rowY[0] + 2, 0xFFFFFF), 95 - 23);
    EXPECT_EQ(LeftmostIn(rowY[1] + 2, 0xFFFFFF), 95 - 3);
    EXPECT_EQ(LeftmostIn(rowY[2] + 2, 0xFFFFFF), 95 - 7);
    EXPECT_EQ(LeftmostIn(rowY[0] + 2, 0xFF0000), 95 - 23 - 1) << "outlined";
    // Row 10 is the default "500 plume": its digits end at the same column.
    EXPECT_EQ(LeftmostIn(114 + 6 + 60 + 2, 0xFFFFFF), 95 - 11);
}

TEST_F(ChartTable, RandomBytesLoadAndDraw)
{
    srand(11);
    for (int round = 0; round < 20; round++) {
        std::vector<uint8_t> noise(CHART_FILE_SIZE);
        for (uint8_t& b : noise) {
            b = static_cast<uint8_t>(rand());
        }
        Put(noise);
        ASSERT_TRUE(LoadChart());
        for (int i = 0; i < CHART_ROWS; i++) {
            ASSERT_LE(strlen(chart[i].name), 15u) << "round " << round << ", row " << i + 1;
        }
        DrawChart();
    }
}

} // namespace
