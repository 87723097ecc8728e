#include "game/screens.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "game/chart.h"
#include "game/extras.h"
#include "game/game.h"
#include "game/objects.h"
#include "shell/app.h"
#include "tests/game/game_fixture.h"
#include "toolkit/gfx/clock.h"
#include "toolkit/gfx/font.h"
#include "util/mem.h"

namespace {

constexpr uint32_t kText = 0xFF0000;
constexpr uint32_t kOutline = 0x0000FF;

// Every printable character is a solid block of 3 x 5 pixels in the font's colour.
class ScreensTest : public GameTest {
public:
    void SetUp() override
    {
        GameTest::SetUp();
        font = MakeFont(kText);
        outline = MakeFont(kOutline);
        app.fontStatus = &font;
        app.fontLabels = &font;
        app.fontOutline = &outline;
        SetDefaultChart();
    }
    void TearDown() override
    {
        app.fontStatus = nullptr;
        app.fontLabels = nullptr;
        app.fontOutline = nullptr;
        SDL_FreeSurface(font.picture);
        SDL_FreeSurface(outline.picture);
        GameTest::TearDown();
    }

    static TXT_Font MakeFont(uint32_t colour)
    {
        TXT_Font made{};
        made.picture = NewSurface(3, 5, colour);
        for (unsigned code = 32; code < 127; ++code) {
            made.glyphs[code] = SDL_Rect{0, 0, 3, 5};
        }
        made.smallestWidth = made.largestWidth = 3;
        made.smallestHeight = made.largestHeight = 5;
        return made;
    }

    std::vector<std::string> Lines()
    {
        char lines[PAUSE_LINES_MAX][PAUSE_LINE_SIZE];
        uint32_t count = PauseLines(lines);
        return std::vector<std::string>(lines, lines + count);
    }

    TXT_Font font{};
    TXT_Font outline{};
};

TEST_F(ScreensTest, StatusTextsReadAsThePlayerSeesThem)
{
    game.levelMajor = 3;
    game.levelMinor = 7;
    app.points = 1234;
    frameCounter = 25;
    EXPECT_STREQ(LevelPointsText(), "3.15  1234") << "hundredths from the frame counter";
    frameCounter = 50;
    EXPECT_STREQ(LevelPointsText(), "3.14  1234");
    game.levelMinor = 49;
    frameCounter = 49;
    EXPECT_STREQ(LevelPointsText(), "3.99  1234");
    game.levelMajor = 1;
    game.levelMinor = 0;
    app.points = 0;
    frameCounter = 0;
    EXPECT_STREQ(LevelPointsText(), "1.00  0");

    game.chain = 2;
    EXPECT_STREQ(NextExtraText(), "pointer @ -3");
    game.nextExtra = &extrasLadder[11];
    game.chain = 0;
    EXPECT_STREQ(NextExtraText(), "magnet @ -120");
    game.nextExtra = &extrasLadder[EXTRA_ROWS];
    EXPECT_EQ(NextExtraText(), nullptr) << "nothing once the ladder is climbed";

    game.missesLimit = 12;
    game.misses = 3;
    EXPECT_STREQ(MissesLeftText(), "9");
}

TEST_F(ScreensTest, PauseSummaryLeavesOutWhatIsNotThere)
{
    EXPECT_EQ(Lines(), (std::vector<std::string>{"misses limit: 10", "next extra: pointer @ -5",
                                                 "level: 0.49", "points: 0", "chart position: out"}));
    game.flags = EXTRA_LASER | EXTRA_FREEZER;
    game.levelMajor = 3;
    game.levelMinor = 7;
    game.misses = 4;
    app.points = 600;
    EXPECT_EQ(Lines(), (std::vector<std::string>{"misses limit: 6", "next extra: pointer @ -5",
                                                 "extras: LF", "level: 3.7", "points: 600",
                                                 "chart position: 10"}));
    game.nextExtra = &extrasLadder[EXTRA_ROWS];
    game.flags = 0;
    app.points = 500; // the tenth row's points
    EXPECT_EQ(Lines(), (std::vector<std::string>{"misses limit: 6", "level: 3.7", "points: 500",
                                                 "chart position: out"}));
    app.points = 999999;
    EXPECT_EQ(Lines().back(), "chart position: 1");
}

TEST_F(ScreensTest, GameOverBlinks19On11Off)
{
    int shown = 0;
    for (uint32_t frame = 0; frame < 30; ++frame) {
        shown += GameOverTextShown(frame) ? 1 : 0;
        EXPECT_EQ(GameOverTextShown(frame), frame > 10) << frame;
        EXPECT_EQ(GameOverTextShown(frame), GameOverTextShown(frame + 30)) << frame;
    }
    EXPECT_EQ(shown, 19);
}

TEST_F(ScreensTest, OutlinedTextHasItsOutlineAllAround)
{
    MakeCanvas();
    DrawOutlinedText(&font, &outline, "I", 10, 10);
    EXPECT_EQ(Pixel(10, 10), kText);
    EXPECT_EQ(Pixel(12, 14), kText);
    EXPECT_EQ(Pixel(9, 9), kOutline);
    EXPECT_EQ(Pixel(13, 15), kOutline);
    EXPECT_EQ(Pixel(9, 15), kOutline);
    EXPECT_EQ(Pixel(14, 10), 0u);
    EXPECT_EQ(Pixel(10, 16), 0u);
}

TEST_F(ScreensTest, StatusSitsInTheFourCorners)
{
    MakeCanvas();
    game.levelMajor = 1;
    game.levelMinor = 0;
    game.flags = EXTRA_LASER;
    DrawStatus();
    EXPECT_EQ(Pixel(2, 2), kText) << "next extra, top left";
    EXPECT_EQ(Pixel(1, 1), kOutline);
    EXPECT_EQ(Pixel(252, 2), kText) << "level and points end at the right edge";
    EXPECT_EQ(Pixel(253, 2), kOutline);
    EXPECT_EQ(Pixel(254, 2), 0u);
    EXPECT_EQ(Pixel(2, 248), kText) << "letters, bottom left";
    EXPECT_EQ(Pixel(252, 252), kText) << "misses left, bottom right";
    EXPECT_EQ(Pixel(246, 248), kText) << "\"10\": two glyphs and a gap";
    EXPECT_EQ(Pixel(245, 248), kOutline);
}

TEST_F(ScreensTest, MarkersShowTheStateOfMarkedObjects)
{
    MakeCanvas();
    Object* inverted = Place(0, 0, 0, 0, 0);
    inverted->stateBits = ST_INVERTED;
    inverted->screenX = 50;
    inverted->screenY = 60;
    Object* bounced = Place(0, 0, 0, 0, 0);
    bounced->stateBits = ST_KICKED;
    bounced->screenX = 100;
    bounced->screenY = 60;
    Object* armed = Place(0, 0, 0, 0, 0);
    armed->stateBits = ST_KICKED | ST_KICK_ARMED;
    armed->screenX = 150;
    armed->screenY = 60;
    for (Object* o : {inverted, bounced, armed}) {
        NODE_AddTail(&o->markerLink, &game.marked);
    }
    game.target = armed;
    DrawMarkers();
    EXPECT_EQ(Pixel(48, 58), SpriteColour(17));
    EXPECT_EQ(Pixel(98, 58), SpriteColour(20));
    EXPECT_EQ(Pixel(148, 58), SpriteColour(19)) << "armed wins over kicked";
    game.flags = EXTRA_POINTER;
    DrawMarkers();
    EXPECT_EQ(Pixel(148, 58), SpriteColour(16)) << "the pointer on top";
}

TEST_F(ScreensTest, EntrySlidesTheCatcherHalvesIn)
{
    MakeCanvas();
    frameCounter = 0;
    DrawEntry();
    EXPECT_EQ(Pixel(242, 246), SpriteColour(45)) << "the right half starts at the edge";
    frameCounter = 50;
    DrawEntry();
    EXPECT_EQ(Pixel(118 - 19, 246), SpriteColour(53 + 2)) << "where play draws the left half";
    EXPECT_EQ(Pixel(136 - 12, 246), SpriteColour(45 + 2));
}

TEST_F(ScreensTest, GameOverDarkensTheLastPicture)
{
    MakeCanvas();
    SDL_FillRect(app.backBuffer, nullptr, 0x808080);
    frameCounter = 5;
    DrawGameOver();
    ASSERT_NE(game.gameOverBackdrop, nullptr);
    EXPECT_EQ(Pixel(0, 0), 0x404040u);
    EXPECT_EQ(Pixel(110, 125), 0x404040u) << "hidden in frame 5";
    frameCounter = 11;
    DrawGameOver();
    EXPECT_EQ(Pixel(110, 125), kText) << "\"GAME OVER\" centred on the field";
    EXPECT_EQ(Pixel(0, 0), 0x404040u) << "from the copy, not darkened again";
}

TEST_F(ScreensTest, GameOverIsBlackWhenThePictureCannotBeCopied)
{
    MakeCanvas();
    SDL_FillRect(app.backBuffer, nullptr, 0x808080);
    frameCounter = 0;
    MEM_FailAt(1);
    DrawGameOver();
    MEM_FailAt(0);
    EXPECT_EQ(game.gameOverBackdrop, nullptr);
    EXPECT_EQ(Pixel(0, 0), 0u);
    DrawGameOver();
    EXPECT_NE(game.gameOverBackdrop, nullptr) << "tried again next frame";
}

TEST_F(ScreensTest, PauseWaitsForAKeyWithTheGameStopped)
{
    MakeCanvas();
    Object* frozen = Place(0, 0, 50, 0, 1);
    game.target = frozen;
    game.flags |= EXTRA_FREEZER | LEFT_HELD | RIGHT_HELD;
    (void)Button2Key(nullptr, SDL_KEYDOWN, 0);
    ASSERT_EQ(game.frozenObject, frozen);
    ClearSounds();
    Script({{100, SDL_KEYDOWN, SDLK_a}, {140, SDL_KEYUP, SDLK_a}});
    (void)PauseKey(nullptr, SDL_KEYUP, 0);
    EXPECT_TRUE(Calls().empty()) << "nothing on release";
    (void)PauseKey(nullptr, SDL_KEYDOWN, 0);
    EXPECT_GE(CLK_GetTicks(), 140u) << "waited for the key";
    std::vector<SoundCall> expected = {
        {AUDIO_PAUSE, -1, -1, 0},
        {AUDIO_HALT, -1, -1, 0},
        {AUDIO_PLAY, -1, SOUND_SELECTION, 0},
        {AUDIO_HALT, 3, -1, 0},
    };
    EXPECT_EQ(Calls(), expected);
    EXPECT_EQ(game.flags & (LEFT_HELD | RIGHT_HELD), 0);
    EXPECT_EQ(game.frozenObject, nullptr);
    EXPECT_EQ(frozen->capabilities, CAN_ALL);
    EXPECT_EQ(app.runState, RUN_MENU);
    // "PAUSE" (19 pixels wide) centred on (127, 127), then a pixel up and left.
    EXPECT_EQ(Pixel(127 - 9 - 1, 127 - 2 - 1), kText);
    // The first summary line twelve rows below.
    EXPECT_EQ(Pixel(127, 127 + 10 - 2 - 1), kText);
}

TEST_F(ScreensTest, ClosingTheWindowEndsThePause)
{
    MakeCanvas();
    Script({{200, SDL_QUIT, SDLK_UNKNOWN}});
    (void)PauseKey(nullptr, SDL_KEYDOWN, 0);
    EXPECT_EQ(app.runState, RUN_QUIT);
}

}  // namespace
