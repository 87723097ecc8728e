#include "game/game.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "game/extras.h"
#include "game/objects.h"
#include "shell/app.h"
#include "tests/game/game_fixture.h"
#include "tests/support/alloc_check.h"
#include "toolkit/gfx/clock.h"
#include "toolkit/gfx/disp.h"
#include "util/kv.h"

namespace {

using GameLoopTest = GameTest;

void UseDescriptor(std::vector<KV_Pair> pairs)
{
    pairs.push_back({nullptr, nullptr});
    KV_Dispose(app.descriptor);
    app.descriptor = KV_Create("descriptor.txt", pairs.data());
    ASSERT_NE(app.descriptor, nullptr);
}

void UseSetting(const char* key, const char* value)
{
    KV_Store* old = app.config;
    std::vector<KV_Pair> pairs;
    for (NODE_Node* node = old->entries.first; node != nullptr; node = node->next) {
        const auto* entry = static_cast<const KV_Entry*>(node->data);
        bool replaced = std::string(entry->key) == key;
        pairs.push_back({entry->key, replaced ? value : entry->value});
    }
    pairs.push_back({nullptr, nullptr});
    app.config = KV_Create("configuration.txt", pairs.data());
    KV_Dispose(old);
    ASSERT_NE(app.config, nullptr);
}

bool Played(const std::vector<SoundCall>& plays, int sound)
{
    return std::any_of(plays.begin(), plays.end(),
                       [sound](const SoundCall& call) { return call.sound == sound; });
}

TEST_F(GameLoopTest, StartPreparesAFreshGame)
{
    EXPECT_EQ(app.runState, RUN_MENU);
    EXPECT_EQ(game.catcherBeamColour, 0xFF8000u);
    EXPECT_EQ(game.freezerBeamColour, 0x00C8FFu) << "300 is taken as 255";
    EXPECT_EQ(game.catcherLeft, 118);
    EXPECT_EQ(game.catcherRight, 136);
    EXPECT_EQ(game.catcherCentre, 127);
    EXPECT_EQ(game.missesLimit, 10u);
    EXPECT_EQ(game.launchCountdown, 1);
    EXPECT_EQ(game.nextExtra, &extrasLadder[0]);
    EXPECT_EQ(game.nextClass, -1);
    EXPECT_EQ(game.maxTurnSpeed, 10);
    EXPECT_EQ(game.reachBonus, 45);
    EXPECT_EQ(game.pointsMultiplier, 4u);
    EXPECT_NE(game.rotate, nullptr);
    EXPECT_EQ(game.rotationJob.centreX, 191);

    // A window offset moves the catcher with the field.
    EndGame();
    app.backBufferX = 40;
    app.centreX = 167;
    app.points = 99;
    ASSERT_TRUE(StartGame());
    EXPECT_EQ(game.catcherLeft, 158);
    EXPECT_EQ(game.catcherRight, 176);
    EXPECT_EQ(game.catcherCentre, 167);
    EXPECT_EQ(app.points, 0u);
}

TEST_F(GameLoopTest, BeamColoursMustHoldThreeNumbers)
{
    struct Case {
        const char* catcher;
        const char* freezer;
        bool starts;
        uint32_t colour;
    };
    for (Case c : {Case{"1 2 3", "4 5 6", true, 0x010203}, Case{"1 2", "4 5 6", false, 0},
                   Case{"red", "4 5 6", false, 0}, Case{"1 2 3", "", false, 0},
                   Case{"-5 999 16", "0 0 0", true, 0x00FF10}}) {
        EndGame();
        UseDescriptor({{"BEAMS.CATCHER", c.catcher}, {"BEAMS.FREEZER", c.freezer}});
        EXPECT_EQ(StartGame(), c.starts) << c.catcher << " / " << c.freezer;
        if (c.starts) {
            EXPECT_EQ(game.catcherBeamColour, c.colour) << c.catcher;
        }
    }
    EndGame();
    UseDescriptor({{"BEAMS.CATCHER", "1 2 3"}});
    EXPECT_FALSE(StartGame()) << "no freezer colour";
}

TEST_F(GameLoopTest, StartFailsCleanlyWithoutMemory)
{
    EndGame();
    int points = CheckEachAllocationFailure([] {
        bool started = StartGame();
        EndGame();
        return started;
    });
    EXPECT_GE(points, 1);
    ASSERT_TRUE(StartGame());
}

TEST_F(GameLoopTest, CentreAnimationOpensIdlesAndLaunches)
{
    HoldLaunches();
    std::vector<int> frames;
    for (int i = 0; i < 48; ++i) {
        Step();
        if ((frameCounter - 1) % 4 == 0) {
            frames.push_back(game.centreFrame);
        }
    }
    EXPECT_EQ(frames, (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8, 3, 4, 5, 6}));
    game.launchCountdown = 1;
    Step(); // frame 48: the animation steps, then the launch resets it
    EXPECT_EQ(game.centreFrame, 9);
    HoldLaunches();
    frames.clear();
    for (int i = 0; i < 28; ++i) {
        Step();
        if ((frameCounter - 1) % 4 == 0) {
            frames.push_back(game.centreFrame);
        }
    }
    EXPECT_EQ(frames, (std::vector<int>{10, 11, 0, 1, 2, 3, 4}));
}

TEST_F(GameLoopTest, ClosingTheWindowInTheEntryEndsEverything)
{
    Script({{300, SDL_QUIT, SDLK_UNKNOWN}});
    PlayGame();
    EXPECT_EQ(app.runState, RUN_QUIT);
    EXPECT_LT(frameCounter, 50u);
    std::vector<SoundCall> expected = {{AUDIO_PLAY, 0, SOUND_MOVEMENT, -1}, {AUDIO_HALT, 0, -1, 0}};
    EXPECT_EQ(Calls(), expected) << "no play phase, no game over";
    EXPECT_EQ(ObjectCount(), 0u);
}

TEST_F(GameLoopTest, QuitKeyEndsPlayAndThenTheGameOverScreen)
{
    Script({{2000, SDL_KEYDOWN, SDLK_ESCAPE}, {2040, SDL_KEYUP, SDLK_ESCAPE},
            {3000, SDL_KEYDOWN, SDLK_ESCAPE}, {3040, SDL_KEYUP, SDLK_ESCAPE}});
    PlayGame();
    EXPECT_EQ(app.runState, RUN_PLAY) << "on to the chart entry";
    EXPECT_GE(CLK_GetTicks(), 3040u) << "the game-over screen waited for the second release";
    std::vector<SoundCall> plays = Plays();
    ASSERT_GE(plays.size(), 3u);
    EXPECT_EQ(plays.front(), (SoundCall{AUDIO_PLAY, 0, SOUND_MOVEMENT, -1}));
    EXPECT_TRUE(Played(plays, SOUND_SHOT)) << "objects were launched in play";
    EXPECT_EQ(plays.back().sound, SOUND_GAME_OVER);
    EXPECT_GE(plays.back().channel, 4);
    // Every channel stopped right before the game-over sound.
    const std::vector<SoundCall>& calls = Calls();
    ASSERT_GE(calls.size(), 3u);
    EXPECT_EQ(calls[calls.size() - 3], (SoundCall{AUDIO_PAUSE, -1, -1, 0}));
    EXPECT_EQ(calls[calls.size() - 2], (SoundCall{AUDIO_HALT, -1, -1, 0}));
    EXPECT_EQ(game.levelMajor, 1) << "about a second of play";
}

TEST_F(GameLoopTest, ClosingTheWindowInPlaySkipsTheGameOverScreen)
{
    Script({{2000, SDL_QUIT, SDLK_UNKNOWN}});
    PlayGame();
    EXPECT_EQ(app.runState, RUN_QUIT);
    EXPECT_FALSE(Played(Plays(), SOUND_GAME_OVER));
    EXPECT_LT(CLK_GetTicks(), 2100u);
}

TEST_F(GameLoopTest, ClosingTheWindowWinsOverTheGamesEndInTheSameFrame)
{
    // The quit key released right behind the close request; the second close only ends a
    // game-over screen that should not have come.
    Script({{2000, SDL_KEYDOWN, SDLK_ESCAPE}, {2040, SDL_QUIT, SDLK_UNKNOWN},
            {2040, SDL_KEYUP, SDLK_ESCAPE}, {4000, SDL_QUIT, SDLK_UNKNOWN}});
    PlayGame();
    EXPECT_EQ(app.runState, RUN_QUIT);
    EXPECT_FALSE(Played(Plays(), SOUND_GAME_OVER)) << "the quit key's release did not undo the close";
    EXPECT_LT(CLK_GetTicks(), 2100u);

    ASSERT_TRUE(Restart("normal"));
    HoldLaunches();
    game.misses = game.missesLimit;
    Place(0, -126.5, 0, -1, 0);  // at the rim beside the catcher: missed in this frame
    SDL_Event quit{};
    quit.type = SDL_QUIT;
    SDL_PushEvent(&quit);
    Step();
    EXPECT_NE(FirstObject()->stateBits & ST_MISSED, 0) << "the last miss came";
    EXPECT_EQ(app.runState, RUN_QUIT) << "after the close request of its frame";
}

uint32_t floodLeft = 0;
std::vector<uint32_t> keysPerFrame;

// Every key the game takes brings the next one, as a stream arriving faster than any step
// can empty the queue; the last is followed by a close request.
void FloodingTracer(const char* line)
{
    if (std::strstr(line, "key left") == nullptr) {
        return;
    }
    keysPerFrame.resize(frameCounter + 1);
    keysPerFrame[frameCounter] += 1;
    SDL_Event event{};
    event.type = floodLeft == 0 ? SDL_QUIT : (floodLeft % 2 == 0 ? SDL_KEYDOWN : SDL_KEYUP);
    event.key.type = event.type;
    event.key.keysym.sym = SDLK_LEFT;
    if (floodLeft > 0) {
        floodLeft -= 1;
    }
    SDL_PushEvent(&event);
}

TEST_F(GameLoopTest, AFloodOfKeysNeitherFreezesThePlayNorLosesAKey)
{
    floodLeft = 5000 - 1;
    keysPerFrame.clear();
    SetGameTracer(FloodingTracer);
    Script({{1500, SDL_KEYDOWN, SDLK_LEFT}});
    PlayGame();
    SetGameTracer(nullptr);
    EXPECT_EQ(app.runState, RUN_QUIT) << "the close request behind the flood was honoured";
    uint32_t keys = 0;
    uint32_t most = 0;
    for (uint32_t n : keysPerFrame) {
        keys += n;
        most = std::max(most, n);
    }
    EXPECT_EQ(keys, 5000u) << "every key taken, the rest in later frames";
    EXPECT_EQ(most, static_cast<uint32_t>(DISP_POLL_LIMIT)) << "a frame takes at most the limit";
    EXPECT_LE(frameCounter, keysPerFrame.size()) << "play ended in the frame after the last key";
}

TEST_F(GameLoopTest, ClosingTheWindowDuringThePauseEndsThePlay)
{
    Script({{1500, SDL_KEYDOWN, SDLK_p}, {1600, SDL_QUIT, SDLK_UNKNOWN}});
    PlayGame();
    EXPECT_EQ(app.runState, RUN_QUIT);
    EXPECT_TRUE(Played(Plays(), SOUND_SELECTION));
    EXPECT_FALSE(Played(Plays(), SOUND_GAME_OVER));
}

TEST_F(GameLoopTest, KeysAreBoundByTheirConfiguredNames)
{
    UseSetting("KEY.LEFT", "a");
    Script({{1200, SDL_KEYDOWN, SDLK_LEFT}, {1300, SDL_KEYUP, SDLK_LEFT},
            {1500, SDL_KEYDOWN, SDLK_a}, {1700, SDL_KEYUP, SDLK_a},
            {2000, SDL_KEYDOWN, SDLK_ESCAPE}, {2040, SDL_KEYUP, SDLK_ESCAPE},
            {2100, SDL_QUIT, SDLK_UNKNOWN}});
    PlayGame();
    EXPECT_EQ(game.fieldAngle, 55) << "ten frames held: 1 + 2 + ... + 10, the arrow did nothing";
    EXPECT_EQ(game.turnVelocity, 0);
    EXPECT_EQ(app.runState, RUN_QUIT) << "closed on the game-over screen";
}

TEST_F(GameLoopTest, UnboundKeysDoNothingAfterTheGame)
{
    Script({{2000, SDL_KEYDOWN, SDLK_ESCAPE}, {2040, SDL_KEYUP, SDLK_ESCAPE},
            {2500, SDL_KEYDOWN, SDLK_ESCAPE}, {2540, SDL_KEYUP, SDLK_ESCAPE}});
    PlayGame();
    ASSERT_EQ(app.runState, RUN_PLAY);
    EndGame();
    EXPECT_EQ(game.beams.first, nullptr);
    EXPECT_EQ(game.flashes.first, nullptr);
    EXPECT_EQ(game.objects.first, nullptr);
    app.runState = RUN_MENU;
    SDL_Event quit{};
    quit.type = SDL_QUIT;
    SDL_PushEvent(&quit);
    SDL_Event key{};
    key.type = SDL_KEYUP;
    key.key.type = SDL_KEYUP;
    key.key.keysym.sym = SDLK_ESCAPE;
    SDL_PushEvent(&key);
    DISP_PollAll();
    EXPECT_EQ(app.runState, RUN_MENU) << "neither the window-close nor the quit key is still bound";
    ASSERT_TRUE(StartGame());
}

TEST_F(GameLoopTest, ShowcaseSceneStaysPut)
{
    ArrangeShowcaseGame();
    EXPECT_EQ(ObjectCount(), 30u);
    EXPECT_EQ(NODE_CountNodes(&game.beams), 8u);
    EXPECT_EQ(NODE_CountNodes(&game.marked), 4u);
    ASSERT_NE(game.target, nullptr);
    for (int i = 0; i < 200; ++i) {
        Step();
    }
    EXPECT_EQ(ObjectCount(), 30u) << "nothing caught, missed or launched";
    EXPECT_EQ(game.catches + game.misses, 3u);
    EXPECT_EQ(NODE_CountNodes(&game.beams), 8u);
}

}  // namespace
