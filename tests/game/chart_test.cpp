#include "game/chart.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "shell/app.h"
#include "shell/paths.h"
#include "tests/game/chart_sample.h"
#include "tests/game/game_fixture.h"
#include "tests/support/scratch.h"
#include "util/kv.h"

namespace {

using chart_sample::kFile;
using chart_sample::kRows;
const std::vector<uint8_t> kFileBytes(kFile, kFile + CHART_FILE_SIZE);

// The sample file read and written back by the whole program, files of a wrong length
// and a file that cannot be read are run in tests/shell/program_test.cpp.
TEST(ChartBytes, TheStoredBlockIsTheOneWorkedOutByHandAndABadBlockGivesTheDefault)
{
    memcpy(chart, kRows, sizeof chart);
    // Bytes left behind the NUL by an earlier, longer name must not reach the file.
    memcpy(chart[3].name, "\0leftover", 10);
    uint8_t stored[CHART_FILE_SIZE];
    ChartToBytes(stored);
    EXPECT_EQ(std::vector<uint8_t>(stored, stored + CHART_FILE_SIZE), kFileBytes);
    std::vector<uint8_t> data(kFileBytes);
    data.resize(400);
    const uint8_t* const block = data.data();
    const struct { const uint8_t* block; size_t size; } kBad[] = {
        {block, 0}, {block, 1}, {block, 199}, {block, 201}, {block, 400}, {nullptr, 200}};
    for (const auto& bad : kBad) {
        memcpy(chart, kRows, sizeof chart);
        EXPECT_FALSE(ChartFromBytes(bad.block, bad.size)) << bad.size;
        EXPECT_EQ(chart[0].points * 1000 + chart[9].points, 5000u * 1000 + 500)
            << "the default chart, for a block of " << bad.size;
        EXPECT_STREQ(chart[0].name, "plume") << bad.size;
    }
}

using ChartFile = GameTest;

TEST_F(ChartFile, TheChartSitsOnTheFieldAndItsRowsAreReadWithoutAPlace)
{
    TempDir dir;
    Folders folders{};
    ASSERT_TRUE(PortableFolders(dir.Path("").c_str(), &folders));
    app.folders = &folders;
    dir.Write("chart.raw", kFileBytes);
    app.backBufferX = 100; // at zoom 1 the field sits inside a wider screen
    ASSERT_TRUE(KV_SetString(app.descriptor, "CHART", " 12  34 "));
    ASSERT_TRUE(LoadChart());
    EXPECT_EQ(chartCentreX * 1000 + chartTop, 112034);
    for (const char* place : {"127", "x 5"}) {
        ASSERT_TRUE(KV_SetString(app.descriptor, "CHART", place));
        SetDefaultChart();
        EXPECT_FALSE(LoadChart()) << place;
        EXPECT_EQ(chart[0].points, 123456789u) << place << ": the file is read whatever the place";
    }
}

} // namespace
