#include "game/game.h"

#include "tests/game/game_fixture.h"
#include "tests/support/alloc_check.h"
#include "util/kv.h"

namespace {

// The phases of a whole game, the quit key and a closed window in each phase are run by the
// replay tests; what they cannot see (sounds, memory, bindings, the centre) is checked here; a
// flood of events is the event module's, tested with it.
using GameLoopTest = GameTest;

TEST_F(GameLoopTest, StartPreparesAFreshGameFromTheThemesBeamColours)
{
    EXPECT_EQ((Ints{app.runState, game.catcherBeamColour, game.freezerBeamColour}),
              (Ints{RUN_MENU, 0xFF8000, 0x00C8FF})) << "300 is taken as 255";
    // A window offset moves the catcher with the field.
    EndGame();
    app.backBufferX = 40;
    app.centreX = 167;
    app.points = 99;
    ASSERT_TRUE(StartGame());
    EXPECT_EQ((Ints{game.catcherLeft, game.catcherRight, game.catcherCentre, app.points}), (Ints{158, 176, 167, 0}));

    EndGame();
    EXPECT_GE(CheckEachAllocationFailure([] {
                  bool started = StartGame();
                  EndGame();
                  return started;
              }),
              1);
    const struct {
        const char* catcher;
        const char* freezer;
        int64_t colour; // -1: the game does not start
    } kColours[] = {{"1 2 3", "4 5 6", 0x010203}, {"-5 999 16", "0 0 0", 0x00FF10}, {"1 2", "4 5 6", -1},
                    {"red", "4 5 6", -1}, {"1 2 3", "", -1}, {"1 2 3", nullptr, -1}};
    for (const auto& c : kColours) {
        KV_Clear(app.descriptor);
        ASSERT_TRUE(KV_SetString(app.descriptor, "BEAMS.CATCHER", c.catcher));
        ASSERT_TRUE(c.freezer == nullptr || KV_SetString(app.descriptor, "BEAMS.FREEZER", c.freezer));
        EXPECT_EQ(StartGame() ? int64_t{game.catcherBeamColour} : -1, c.colour) << c.catcher << " / " << c.freezer;
        EndGame();
    }
}

TEST_F(GameLoopTest, CentreAnimationOpensThenIdles)
{
    HoldLaunches();
    Ints frames;
    for (int i = 0; i < 48; ++i) {
        Step();
        if (i % 4 == 0) {
            frames.push_back(game.centreFrame);
        }
    }
    EXPECT_EQ(frames, (Ints{1, 2, 3, 4, 5, 6, 7, 8, 3, 4, 5, 6}));
}

TEST_F(GameLoopTest, GameOverSilencesEveryChannelFirstAndAClosedWindowWinsOverTheQuitKey)
{
    ClearSounds();
    Script({{2000, SDL_KEYDOWN, SDLK_ESCAPE}, {2040, SDL_KEYUP, SDLK_ESCAPE},
            {3000, SDL_KEYDOWN, SDLK_ESCAPE}, {3040, SDL_KEYUP, SDLK_ESCAPE}});
    PlayGame();
    ASSERT_EQ(app.runState, RUN_PLAY);
    const std::vector<SoundCall>& calls = Calls();
    ASSERT_GE(calls.size(), 3u);
    EXPECT_EQ(std::vector<SoundCall>(calls.end() - 3, calls.end()),
              (std::vector<SoundCall>{{AUDIO_PAUSE, -1, -1, 0}, {AUDIO_HALT, -1, -1, 0},
                                      {AUDIO_PLAY, calls.back().channel, SOUND_GAME_OVER, 0}}))
        << "every channel stopped right before the game-over sound";
    ClearSounds();
    EndGame();
    EXPECT_EQ(Calls(), (std::vector<SoundCall>{{AUDIO_PAUSE, -1, -1, 0}, {AUDIO_HALT, -1, -1, 0}}))
        << "nothing plays on after the game";

    // The quit key released behind a close request in the same frame does not undo the close,
    // nor does the last miss in the frame of the close.
    ASSERT_TRUE(Restart("normal"));
    const uint32_t start = CLK_GetTicks();
    Script({{start + 2000, SDL_KEYDOWN, SDLK_ESCAPE}, {start + 2040, SDL_QUIT, SDLK_UNKNOWN},
            {start + 2040, SDL_KEYUP, SDLK_ESCAPE}});
    PlayGame();
    EXPECT_EQ(app.runState, RUN_QUIT);
    ASSERT_TRUE(Restart("normal"));
    HoldLaunches();
    game.misses = game.missesLimit;
    Place(0, -126.5, 0, -1, 0);
    SDL_Event quit{};
    quit.type = SDL_QUIT;
    SDL_PushEvent(&quit);
    Step();
    EXPECT_EQ((Ints{FirstObject()->stateBits & ST_MISSED, app.runState}),
              (Ints{ST_MISSED, RUN_QUIT}));
}

// After the game, the replay trace shows that the quit key is no longer the game's.
TEST_F(GameLoopTest, KeysAreBoundByTheirConfiguredNames)
{
    ASSERT_TRUE(KV_SetString(app.config, "KEY.LEFT", "a"));
    Script({{1200, SDL_KEYDOWN, SDLK_LEFT}, {1300, SDL_KEYUP, SDLK_LEFT}, {1500, SDL_KEYDOWN, SDLK_a},
            {1700, SDL_KEYUP, SDLK_a}, {2000, SDL_KEYDOWN, SDLK_ESCAPE}, {2040, SDL_KEYUP, SDLK_ESCAPE},
            {2500, SDL_KEYDOWN, SDLK_ESCAPE}, {2540, SDL_KEYUP, SDLK_ESCAPE}});
    PlayGame();
    EXPECT_EQ(game.fieldAngle, 55) << "ten frames held: 1 + 2 + ... + 10, the arrow did nothing";
}

}  // namespace
