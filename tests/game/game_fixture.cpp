#include "tests/game/game_fixture.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <ostream>

#include "game/game.h"
#include "shell/app.h"
#include "toolkit/gfx/clock.h"
#include "toolkit/gfx/disp.h"
#include "util/kv.h"
#include "util/tools.h"

namespace {

std::vector<SoundCall> recorded;
std::vector<ScriptedEvent> pending;
uint32_t now = 0;

void PushDue()
{
    while (!pending.empty() && pending.front().at <= now) {
        SDL_Event event{};
        event.type = pending.front().type;
        event.key.state = event.type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
        event.key.keysym.sym = pending.front().key;
        pending.erase(pending.begin());
        SDL_PushEvent(&event);
    }
}

const KV_Pair kSettings[] = {
    {"KEY.LEFT", "left"},    {"KEY.RIGHT", "right"},   {"KEY.BUTTON1", "x"},
    {"KEY.BUTTON2", "c"},    {"KEY.BUTTON3", "space"}, {"KEY.PAUSE", "p"},
    {"KEY.QUIT", "escape"},  {"DIFFICULTY", "normal"}, {"INTERPOLATION", "off"},
    {nullptr, nullptr},
};

const KV_Pair kDescriptor[] = {{"BEAMS.CATCHER", "255 128 0"}, {"BEAMS.FREEZER", "0 200 300"}, {nullptr, nullptr}};

}  // namespace

std::ostream& operator<<(std::ostream& out, const SoundCall& call)
{
    static const char* const kOps[] = {"play", "halt", "pause", "resume"};
    return out << kOps[call.op] << "(channel " << call.channel << ", sound " << call.sound
               << ", loops " << call.loops << ")";
}

void GameTest::SetUp()
{
    if (SDL_WasInit(SDL_INIT_VIDEO) == 0) {
        ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO), 0) << SDL_GetError();
    }
    DISP_Init();
    AUX_InitTrigTables();
    recorded.clear();
    pending.clear();
    now = 0;
    CLK_SetSource([] { return now; }, [](uint32_t ms) { now += ms; PushDue(); });
    AUDIO_SetRecorder([](AUDIO_Op op, int channel, int sound, int loops) {
        recorded.push_back({op, channel, sound, loops});
    });
    srand(1);
    app = App{};
    app.config = KV_Create("configuration.txt", kSettings);
    app.descriptor = KV_Create("descriptor.txt", kDescriptor);
    ASSERT_NE(app.config, nullptr);
    ASSERT_NE(app.descriptor, nullptr);
    app.centreX = 127;
    app.redShift = 16;
    app.greenShift = 8;
    frameCounter = 0;
    ASSERT_TRUE(StartGame());
}

void GameTest::TearDown()
{
    EndGame();
    SDL_FreeSurface(app.backBuffer);
    SDL_FreeSurface(app.rotationSource);
    KV_Dispose(app.config);
    KV_Dispose(app.descriptor);
    app = App{};
    DISP_Flush();
    DISP_Quit();
    AUDIO_SetRecorder(nullptr);
    CLK_SetSource(nullptr, nullptr);
    pending.clear();
    EXPECT_EQ(game.objects.first, nullptr) << "the clean-up leaves no object";
}

bool GameTest::Restart(const char* difficulty)
{
    EndGame();
    EXPECT_TRUE(KV_SetString(app.config, "DIFFICULTY", difficulty));
    frameCounter = 0;
    return StartGame();
}

Object* GameTest::Place(uint16_t objectClass, double x, double y, double vx, double vy)
{
    Object* object = NewObject(objectClass);
    EXPECT_NE(object, nullptr);
    object->x = Fixed(x);
    object->y = Fixed(y);
    object->vx = Fixed(vx);
    object->vy = Fixed(vy);
    object->speed = static_cast<uint32_t>(Fixed(std::max(std::abs(vx), std::abs(vy))));
    NODE_AddTail(&object->link, &game.objects);
    game.unresolved += 1;
    return object;
}

std::vector<SoundCall>& GameTest::Calls()
{
    return recorded;
}

void GameTest::Script(const std::vector<ScriptedEvent>& events)
{
    pending = events;
    PushDue();
}

void GameTest::MakeCanvas()
{
    app.backBuffer = NewSurface32(255, 255, 0);
    app.rotationSource = NewSurface32(383, 383, 0);
    game.rotationJob.source = app.rotationSource;
    game.rotationJob.destination = app.backBuffer;
}
