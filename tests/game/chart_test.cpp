#include "game/chart.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <unistd.h>

#include "shell/app.h"
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

void ExpectDefaultChart(const char* why)
{
    for (int i = 0; i < CHART_ROWS; i++) {
        EXPECT_EQ(chart[i].points, 5000u - 500u * i) << why << ", row " << i + 1;
        EXPECT_STREQ(chart[i].name, "plume") << why << ", row " << i + 1;
    }
}

std::vector<uint8_t> ReadAll(const std::string& path)
{
    std::vector<uint8_t> bytes;
    FILE* f = fopen(path.c_str(), "rb");
    if (f != nullptr) {
        int c;
        while ((c = fgetc(f)) != EOF) {
            bytes.push_back(static_cast<uint8_t>(c));
        }
        fclose(f);
    }
    return bytes;
}

void WriteAll(const std::string& path, const uint8_t* data, size_t size)
{
    FILE* f = fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    ASSERT_EQ(fwrite(data, 1, size, f), size);
    fclose(f);
}

class ChartFile : public ::testing::Test {
protected:
    void SetUp() override
    {
        saved = app;
        char pattern[] = "/tmp/zaf_chart_XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        folder = std::string(pattern) + "/";
        app.progDir = folder.c_str();
        app.backBufferX = 0;
        const KV_Pair pairs[] = {{"CHART", "127 150"}, {nullptr, nullptr}};
        app.descriptor = KV_Create("descriptor.txt", pairs);
        ASSERT_NE(app.descriptor, nullptr);
    }
    void TearDown() override
    {
        KV_Dispose(app.descriptor);
        remove((folder + "chart.raw").c_str());
        rmdir(folder.c_str());
        app = saved;
    }
    std::string Path() const { return folder + "chart.raw"; }

    App saved{};
    std::string folder;
};

TEST(ChartBytes, RowsGiveTheFileWorkedOutByHand)
{
    memcpy(chart, kRows, sizeof chart);
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
}

TEST(ChartBytes, OnlyTheNameUpToItsNulIsStored)
{
    // Bytes left behind the NUL by an earlier, longer name must not reach the file.
    memcpy(chart, kRows, sizeof chart);
    memcpy(chart[3].name, "\0leftover", 10);
    uint8_t out[CHART_FILE_SIZE];
    ChartToBytes(out);
    EXPECT_EQ(memcmp(out, kFile, CHART_FILE_SIZE), 0);
}

TEST(ChartBytes, WrongLengthsGiveTheDefaultChart)
{
    const size_t sizes[] = {0, 1, 199, 201, 400};
    std::vector<uint8_t> data(400, 0);
    memcpy(data.data(), kFile, CHART_FILE_SIZE);
    for (size_t size : sizes) {
        memcpy(chart, kRows, sizeof chart);
        EXPECT_FALSE(ChartFromBytes(data.data(), size)) << size;
        ExpectDefaultChart(("length " + std::to_string(size)).c_str());
    }
    memcpy(chart, kRows, sizeof chart);
    EXPECT_FALSE(ChartFromBytes(nullptr, CHART_FILE_SIZE));
    ExpectDefaultChart("no data");
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
    // Random bytes: whatever they hold, each name ends within its field.
    srand(7);
    for (int round = 0; round < 20; round++) {
        uint8_t noise[CHART_FILE_SIZE];
        for (uint8_t& b : noise) {
            b = static_cast<uint8_t>(rand());
        }
        ASSERT_TRUE(ChartFromBytes(noise, CHART_FILE_SIZE));
        for (int i = 0; i < CHART_ROWS; i++) {
            EXPECT_LE(strlen(chart[i].name), 15u) << "round " << round << ", row " << i + 1;
        }
    }
}

TEST_F(ChartFile, SavedAndLoadedThroughTheProgramFolder)
{
    memcpy(chart, kRows, sizeof chart);
    SaveChart();
    const std::vector<uint8_t> bytes = ReadAll(Path());
    ASSERT_EQ(bytes.size(), static_cast<size_t>(CHART_FILE_SIZE));
    EXPECT_EQ(memcmp(bytes.data(), kFile, CHART_FILE_SIZE), 0);

    SetDefaultChart();
    app.backBufferX = 100; // at zoom 1 the field sits inside a wider screen
    ASSERT_TRUE(LoadChart());
    EXPECT_EQ(chartCentreX, 227);
    EXPECT_EQ(chartTop, 150);
    EXPECT_EQ(chart[0].points, 123456789u);
    EXPECT_STREQ(chart[2].name, "fifteen-chars-x");
}

TEST_F(ChartFile, UnusableFilesGiveTheDefaultChart)
{
    memcpy(chart, kRows, sizeof chart);
    ASSERT_TRUE(LoadChart()) << "a missing file is not a failure";
    ExpectDefaultChart("missing file");

    WriteAll(Path(), kFile, CHART_FILE_SIZE - 1);
    memcpy(chart, kRows, sizeof chart);
    ASSERT_TRUE(LoadChart());
    ExpectDefaultChart("truncated file");

    std::vector<uint8_t> longer(kFile, kFile + CHART_FILE_SIZE);
    longer.push_back(0);
    WriteAll(Path(), longer.data(), longer.size());
    memcpy(chart, kRows, sizeof chart);
    ASSERT_TRUE(LoadChart());
    ExpectDefaultChart("over-long file");
}

TEST_F(ChartFile, APlaceWithoutTwoNumbersFailsTheLoad)
{
    WriteAll(Path(), kFile, CHART_FILE_SIZE);
    for (const char* place : {"127", "", "x 5"}) {
        ASSERT_TRUE(KV_SetString(app.descriptor, "CHART", place));
        SetDefaultChart();
        EXPECT_FALSE(LoadChart()) << "'" << place << "'";
        ExpectDefaultChart("rows stay untouched");
    }
    ASSERT_TRUE(KV_RemoveKey(app.descriptor, "CHART"));
    EXPECT_FALSE(LoadChart()) << "no CHART at all";
}

TEST_F(ChartFile, AFailedSaveLeavesTheOldFile)
{
    WriteAll(Path(), kFile, CHART_FILE_SIZE);
    const std::string missing = folder + "no/such/folder/";
    app.progDir = missing.c_str();
    SetDefaultChart();
    SaveChart();
    app.progDir = folder.c_str();
    EXPECT_EQ(ReadAll(Path()), std::vector<uint8_t>(kFile, kFile + CHART_FILE_SIZE));
    EXPECT_FALSE(WriteChartFile(missing.c_str()));
}

// A font whose glyphs are solid blocks 5 pixels high: digits 3 wide, the space 2, every
// other character 4, in the colour given; written as a BMP of boxes and loaded as the
// theme's fonts are.
TXT_Font* BlockFont(const std::string& folder, const char* name, uint32_t colour)
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
    SDL_Surface* sheet = SDL_CreateRGBSurface(0, total, 7, 32, 0xFF0000, 0xFF00, 0xFF, 0);
    if (sheet == nullptr) {
        return nullptr;
    }
    SDL_FillRect(sheet, nullptr, 0x808081);
    int x = 0;
    for (char c : set) {
        SDL_Rect box{static_cast<Sint16>(x), 0, static_cast<Uint16>(widthOf(c) + 2), 7};
        SDL_FillRect(sheet, &box, 0xFF00FF); // the box colour, as the top-left pixel
        SDL_Rect inside{static_cast<Sint16>(x + 1), 1, static_cast<Uint16>(widthOf(c)), 5};
        SDL_FillRect(sheet, &inside, c == ' ' ? 0x808081 : colour);
        x += widthOf(c) + 3;
    }
    const std::string path = folder + name;
    const int saved = SDL_SaveBMP(sheet, path.c_str());
    SDL_FreeSurface(sheet);
    if (saved != 0) {
        return nullptr;
    }
    TXT_Font* font = TXT_LoadFont(path.c_str(), nullptr, -1, 0x808081, app.backBuffer->format, 0, set.c_str());
    remove(path.c_str());
    return font;
}

class ChartTable : public ChartFile {
protected:
    void SetUp() override
    {
        ChartFile::SetUp();
        app.backBuffer = SDL_CreateRGBSurface(0, PICTURE_SIZE, PICTURE_SIZE, 32, 0xFF0000, 0xFF00, 0xFF, 0);
        ASSERT_NE(app.backBuffer, nullptr);
        app.fontChart = BlockFont(folder, "white.bmp", 0xFFFFFF);
        app.fontLabels = BlockFont(folder, "yellow.bmp", 0xFFFF00);
        app.fontOutline = BlockFont(folder, "red.bmp", 0xFF0000);
        ASSERT_NE(app.fontChart, nullptr);
        ASSERT_NE(app.fontLabels, nullptr);
        ASSERT_NE(app.fontOutline, nullptr);
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
            const auto* row = reinterpret_cast<const uint32_t*>(static_cast<uint8_t*>(app.backBuffer->pixels) +
                                                                y * app.backBuffer->pitch);
            if (row[x] == colour) {
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
    for (int round = 0; round < 10; round++) {
        uint8_t noise[CHART_FILE_SIZE];
        for (uint8_t& b : noise) {
            b = static_cast<uint8_t>(rand());
        }
        WriteAll(Path(), noise, sizeof noise);
        ASSERT_TRUE(LoadChart());
        for (int i = 0; i < CHART_ROWS; i++) {
            ASSERT_LE(strlen(chart[i].name), 15u);
        }
        DrawChart();
    }
}

} // namespace
