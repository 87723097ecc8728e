#include "game/chart.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "shell/app.h"
#include "shell/paths.h"
#include "tests/game/chart_sample.h"
#include "tests/support/scratch.h"
#include "util/kv.h"
#include "util/tools.h"

namespace {

using chart_sample::kFile;
using chart_sample::kRows;
const std::vector<uint8_t> kFileBytes(kFile, kFile + CHART_FILE_SIZE);

bool IsDefaultChart()
{
    for (int i = 0; i < CHART_ROWS; i++) {
        if (chart[i].points != 5000u - 500u * i || strcmp(chart[i].name, "plume") != 0) {
            return false;
        }
    }
    return true;
}

std::vector<uint8_t> StoredBytes()
{
    uint8_t out[CHART_FILE_SIZE];
    ChartToBytes(out);
    return {out, out + CHART_FILE_SIZE};
}

TEST(ChartBytes, TheStoredBlockIsTheOneWorkedOutByHand)
{
    memcpy(chart, kRows, sizeof chart);
    // Bytes left behind the NUL by an earlier, longer name must not reach the file.
    memcpy(chart[3].name, "\0leftover", 10);
    EXPECT_EQ(StoredBytes(), kFileBytes);
    SetDefaultChart();
    ASSERT_TRUE(ChartFromBytes(kFile, CHART_FILE_SIZE));
    EXPECT_STREQ(chart[2].name, "fifteen-chars-x");
    EXPECT_EQ(StoredBytes(), kFileBytes) << "the rows read back";
    std::vector<uint8_t> data(kFileBytes);
    data.resize(400);
    for (size_t size : {0, 1, 199, 201, 400}) {
        memcpy(chart, kRows, sizeof chart);
        EXPECT_FALSE(ChartFromBytes(data.data(), size)) << size;
        EXPECT_TRUE(IsDefaultChart()) << "a block of " << size << " bytes";
    }
    memcpy(chart, kRows, sizeof chart);
    EXPECT_FALSE(ChartFromBytes(nullptr, CHART_FILE_SIZE));
    EXPECT_TRUE(IsDefaultChart()) << "no block";

    // Every name field full of letters, no NUL anywhere: cut to 15 characters.
    uint8_t full[CHART_FILE_SIZE];
    memset(full, 'Q', sizeof full);
    AUX_Scramble(full, CHART_FILE_SIZE);
    ASSERT_TRUE(ChartFromBytes(full, CHART_FILE_SIZE));
    for (int i = 0; i < CHART_ROWS; i++) {
        EXPECT_EQ(std::string(chart[i].name), std::string(15, 'Q')) << "row " << i + 1;
        EXPECT_EQ(chart[i].points, 0x51515151u) << "row " << i + 1;
    }
}

// Saving into a new data folder, bad lengths, a FIFO and a broken place are run through the
// whole program in tests/shell/program_test.cpp.
class ChartFile : public ::testing::Test {
protected:
    void SetUp() override
    {
        saved = app;
        ASSERT_TRUE(PortableFolders(dir.Path("").c_str(), &folders));
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
    // Loads, puts the rows in and saves, as a theme pass does; returns what was said.
    std::string Pass()
    {
        ::testing::internal::CaptureStderr();
        EXPECT_TRUE(LoadChart());
        loadedDefault = IsDefaultChart();
        memcpy(chart, kRows, sizeof chart);
        SaveChart();
        return ::testing::internal::GetCapturedStderr();
    }

    App saved{};
    bool loadedDefault = false;
    Folders folders{};
    TempDir dir;
    const std::string path = dir.Path("chart.raw");
};

TEST_F(ChartFile, RowsAreReadWhateverThePlaceAndAFileInTheWayIsNeverReplaced)
{
    dir.Write("chart.raw", kFileBytes);
    app.backBufferX = 100; // at zoom 1 the field sits inside a wider screen
    ASSERT_TRUE(LoadChart());
    EXPECT_TRUE(ChartAwaitsSave());
    EXPECT_EQ(chartCentreX * 1000 + chartTop, 227150);
    EXPECT_EQ(chart[0].points, 123456789u);
    for (const char* place : std::initializer_list<const char*>{"127", "", "x 5", nullptr}) {
        const std::string what = place != nullptr ? "'" + std::string(place) + "'" : "no CHART";
        ASSERT_TRUE(place != nullptr ? KV_SetString(app.descriptor, "CHART", place)
                                     : KV_RemoveKey(app.descriptor, "CHART"));
        SetDefaultChart();
        EXPECT_FALSE(LoadChart()) << what;
        EXPECT_EQ(chart[0].points, 123456789u) << what << ": the file is read whatever the place";
    }
    unsigned x = 0;
    unsigned y = 0;
    EXPECT_TRUE(ParseChartPlace(" 12  34 ", &x, &y));
    EXPECT_EQ(x * 1000 + y, 12034u);
    ASSERT_TRUE(KV_SetString(app.descriptor, "CHART", "127 150"));

    // A file where the data folder should be: nothing read, nothing written, said once.
    ASSERT_TRUE(PortableFolders((path + "/").c_str(), &folders));
    const std::string said = Pass();
    EXPECT_TRUE(loadedDefault);
    EXPECT_NE(said.find("chart.raw"), std::string::npos) << said;
    EXPECT_EQ(said.find('\n'), said.size() - 1) << "one line: " << said;
    EXPECT_EQ(Pass(), "") << "said only once";
    EXPECT_EQ(ReadBytes(path), kFileBytes) << "the file standing in the way";
    EXPECT_FALSE(WriteChartFile(dir.Path("no/such/folder/chart.raw").c_str()));
}

} // namespace
