#include "game/backdrop.h"

#include "tests/game/game_fixture.h"
#include "util/kv.h"
#include "util/mem.h"

namespace {

// The menu's backdrop over the canvas. Its drawing and its objects' fall, after a few frames,
// are compared whole with the approved menu screenshots in tests/shell/commands_test.cpp.
class Backdrop : public GameTest {
protected:
    void SetUp() override
    {
        GameTest::SetUp();
        MakeCanvas();
        ASSERT_TRUE(KV_SetString(app.descriptor, "BACKGROUND", "10 20 30 200 100 0"));
        liveAtStart = MEM_LiveBlocks();
    }
    void TearDown() override
    {
        FreeBackdrop();
        EXPECT_EQ(MEM_LiveBlocks(), liveAtStart) << "every backdrop object freed";
        GameTest::TearDown();
    }

    int64_t liveAtStart = 0;
};

TEST_F(Backdrop, GradientFromTheThemeAndBadValues)
{
    const char* const kWide = "-2147483648 2147483647 999999 2147483647 -2147483648 -2147483648";
    // `colour`: of the row, or -1 when the backdrop is refused and has no object.
    const struct { const char* value; int row; int64_t colour; const char* what; } kRows[] = {
        {"10 20 30 200 100 0", 100, 0x543313, "190, 80 and -30 times 100 / 254 round toward zero"},
        {kWide, 0, 0x00FF3F, "each channel's low byte at the ends (999999 is 0xF423F)"},
        {kWide, 127, 0xFF0020, "64-bit arithmetic between the extremes an int holds"},
        {"1 2 3 4 5", 0, -1, "one value short"},
        {"", 0, -1, "empty"},
        {"red", 0, -1, "not a number"},
    };
    for (const auto& r : kRows) {
        ASSERT_TRUE(KV_SetString(app.descriptor, "BACKGROUND", r.value));
        const bool built = InitBackdrop();
        EXPECT_EQ(built ? int64_t{BackdropColours()[r.row]} : -1, r.colour) << r.what;
        EXPECT_EQ(NODE_Count(BackdropObjects()), built ? uint32_t{BACKDROP_OBJECTS} : 0u) << r.what;
    }
    KV_Dispose(app.descriptor);
    app.descriptor = nullptr;
    liveAtStart = MEM_LiveBlocks();
    EXPECT_FALSE(InitBackdrop()) << "no descriptor";
}

TEST_F(Backdrop, AnObjectThatCannotBeMadeIsLeftOut)
{
    MEM_FailAt(3);
    ASSERT_TRUE(InitBackdrop());
    MEM_FailAt(0);
    EXPECT_EQ(NODE_Count(BackdropObjects()), static_cast<uint32_t>(BACKDROP_OBJECTS - 1));
}

} // namespace
