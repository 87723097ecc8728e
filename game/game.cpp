#include "game/game.h"

#include <SDL.h>

#include <cstdarg>
#include <cstdio>

#include "game/catcher.h"
#include "game/extras.h"
#include "game/objects.h"
#include "game/scoring.h"
#include "game/screens.h"
#include "game/sounds.h"
#include "shell/app.h"
#include "toolkit/gfx/clock.h"
#include "toolkit/gfx/disp.h"
#include "toolkit/gfx/pix.h"
#include "toolkit/ui/inp.h"
#include "util/kv.h"

Game game;

namespace {

enum : uint32_t {
    FRAME_PERIOD = 20,
    ENTRY_LAST_FRAME = 49,
    SPRITE_FRAMES = 69,
    ROTATION_CENTRE = 191,
};

struct KeyBinding {
    const char* configKey; // NULL ends the list
    DISP_KeyFn handler;
    DISP_Handler* record;
};

KeyBinding playBindings[] = {
    {"KEY.LEFT", TurnLeftKey, nullptr},
    {"KEY.RIGHT", TurnRightKey, nullptr},
    {"KEY.BUTTON1", Button1Key, nullptr},
    {"KEY.BUTTON2", Button2Key, nullptr},
    {"KEY.BUTTON3", Button3Key, nullptr},
    {"KEY.PAUSE", PauseKey, nullptr},
    {"KEY.QUIT", QuitKey, nullptr},
    {nullptr, nullptr, nullptr},
};

KeyBinding gameOverBindings[] = {
    {"KEY.QUIT", QuitKey, nullptr},
    {nullptr, nullptr, nullptr},
};

DISP_Handler* windowCloseRecord = nullptr;
GameTracer tracer = nullptr;

void ForgetBindings(KeyBinding* rows)
{
    for (KeyBinding* row = rows; row->configKey != nullptr; ++row) {
        row->record = nullptr;
    }
}

void Unbind(KeyBinding* rows)
{
    for (KeyBinding* row = rows; row->configKey != nullptr; ++row) {
        DISP_RemoveKeyHandler(row->record);
        row->record = nullptr;
    }
}

// False at the first key that cannot be registered; what was registered stays kept for
// Unbind.
bool Bind(KeyBinding* rows)
{
    for (KeyBinding* row = rows; row->configKey != nullptr; ++row) {
        const char* name = nullptr;
        if (!KV_GetString(app.config, row->configKey, &name)) {
            name = "";
        }
        row->record = DISP_AddKeyHandler(INP_KeyFromName(name), row->handler, 0);
        if (row->record == nullptr) {
            return false;
        }
    }
    return true;
}

int WindowClose(SDL_Event*, uintptr_t)
{
    TraceGame("window closed");
    app.runState = RUN_QUIT;
    return 1;
}

int ClampChannel(int value)
{
    if (value > 255) {
        return 255;
    }
    // A negative number would spill its sign bits over the other channels.
    return value < 0 ? 0 : value;
}

bool ReadBeamColour(const char* key, uint32_t* colour)
{
    const char* value = nullptr;
    if (app.descriptor == nullptr || !KV_GetString(app.descriptor, key, &value) || value == nullptr) {
        return false;
    }
    int red = 0;
    int green = 0;
    int blue = 0;
    if (std::sscanf(value, "%d %d %d", &red, &green, &blue) != 3) {
        return false;
    }
    *colour = static_cast<uint32_t>(ClampChannel(red)) << 16 |
              static_cast<uint32_t>(ClampChannel(green)) << 8 | static_cast<uint32_t>(ClampChannel(blue));
    return true;
}

void AnimateCentre()
{
    if (frameCounter % 4 != 0) {
        return;
    }
    game.centreFrame = static_cast<int16_t>(game.centreFrame + 1);
    if (game.centreFrame <= game.centreLastFrame) {
        return;
    }
    switch (game.centreLastFrame) {
    case 8:
        game.centreFrame = 3;
        break;
    case 11:
        game.centreLoopStart = 0;
        game.centreLastFrame = 2;
        game.centreFrame = 0;
        break;
    case 2:
        game.centreLastFrame = 8;
        game.centreFrame = 3;
        game.centreLoopStart = 3;
        break;
    default:
        break;
    }
}

int EntryStep()
{
    DISP_PollAll();
    return app.runState != RUN_QUIT && frameCounter <= ENTRY_LAST_FRAME;
}

int GameOverStep()
{
    DISP_PollAll();
    return app.runState == RUN_MENU;
}

void DrawFlashes()
{
    if (game.sprites == nullptr) {
        return;
    }
    for (NODE_Node* node = game.flashes.first; node != nullptr; node = node->next) {
        const auto* flash = static_cast<const Flash*>(node->data);
        (void)PIX_BlitCentred(game.sprites[flash->frame], app.backBuffer, flash->x, flash->y);
    }
}

void ComposeArena()
{
    if (app.rotationSource == nullptr) {
        return;
    }
    if (app.field != nullptr) {
        (void)PIX_BlitAt(app.field, app.rotationSource, 0, 0);
    }
    for (NODE_Node* node = game.objects.first; node != nullptr; node = node->next) {
        DrawObject(static_cast<const Object*>(node->data));
    }
    SDL_Surface* centre = game.sprites != nullptr ? game.sprites[game.centreFrame] : nullptr;
    if (centre != nullptr) {
        BlitOntoSource(centre, ROTATION_CENTRE - (centre->w >> 1), ROTATION_CENTRE - (centre->h >> 1));
    }
}

}  // namespace

void SetGameTracer(GameTracer fn)
{
    tracer = fn;
}

void TraceGame(const char* format, ...)
{
    if (tracer == nullptr) {
        return;
    }
    char what[96];
    va_list args;
    va_start(args, format);
    std::vsnprintf(what, sizeof what, format, args);
    va_end(args);
    char line[192];
    std::snprintf(line, sizeof line, "%6u  points %6u  misses %2u/%2u  chain %3u  extras %04X  %s",
                  static_cast<unsigned>(frameCounter), static_cast<unsigned>(app.points),
                  static_cast<unsigned>(game.misses), static_cast<unsigned>(game.missesLimit),
                  static_cast<unsigned>(game.chain), static_cast<unsigned>(game.flags & ~(LEFT_HELD | RIGHT_HELD)),
                  what);
    tracer(line);
}

void TraceKey(const char* action, uint8_t type)
{
    TraceGame("key %s %s", action, type == SDL_KEYDOWN ? "down" : "up");
}

bool StartGame()
{
    windowCloseRecord = nullptr;
    app.points = 0;
    app.runState = RUN_MENU;
    ForgetBindings(playBindings);
    ForgetBindings(gameOverBindings);

    game = Game{};
    const char* difficulty = nullptr;
    if (app.config == nullptr || !KV_GetString(app.config, "DIFFICULTY", &difficulty)) {
        difficulty = nullptr;
    }
    ApplyDifficulty(difficulty);

    game.centreLastFrame = 2;
    game.levelMajor = 0;
    game.levelMinor = 49;
    game.launchCountdown = 1;
    if (app.spritesImage != nullptr && app.spritesImage->frameCount >= SPRITE_FRAMES) {
        game.sprites = app.spritesImage->frames;
    }
    game.nextExtra = &extrasLadder[0];
    game.nextClass = -1;
    game.catcherLeft = static_cast<uint16_t>(app.backBufferX + 118);
    game.catcherRight = static_cast<uint16_t>(app.backBufferX + 136);
    game.catcherCentre = static_cast<uint16_t>(app.centreX);
    game.missesLimit = 10;
    game.maxTurnSpeed = 10;
    game.reachBonus = 45;

    if (!ReadBeamColour("BEAMS.CATCHER", &game.catcherBeamColour) ||
        !ReadBeamColour("BEAMS.FREEZER", &game.freezerBeamColour)) {
        return false;
    }

    game.gameOverBackdrop = nullptr;
    game.rotate = ChooseRotation();
    game.rotationJob = RotationJob{app.rotationSource, app.backBuffer, ROTATION_CENTRE,
                                   ROTATION_CENTRE, 0};

    windowCloseRecord = DISP_AddHandler(SDL_QUIT, WindowClose, 0);
    if (windowCloseRecord == nullptr) {
        return false;
    }
    TraceGame("start %s", difficulty != nullptr ? difficulty : "(no difficulty)");
    return true;
}

void PlayGame()
{
    TraceGame("entry");
    DISP_Flush();
    PlaySound(CHANNEL_MOVEMENT, SOUND_MOVEMENT, LOOP_FOREVER);
    TXT_RunFrames(FRAME_PERIOD, DrawEntry, EntryStep);
    HaltChannel(CHANNEL_MOVEMENT);
    if (app.runState == RUN_QUIT) {
        return;
    }

    if (Bind(playBindings)) {
        app.runState = RUN_MENU;
        TraceGame("play");
        DISP_Flush();
        TXT_RunFrames(FRAME_PERIOD, GameDraw, GameStep);
    }
    Unbind(playBindings);
    if (app.runState == RUN_QUIT) {
        return;
    }

    if (Bind(gameOverBindings)) {
        app.runState = RUN_MENU;
        TraceGame("game over");
        StopAllSounds();
        PlayOneShot(SOUND_GAME_OVER);
        TXT_RunFrames(FRAME_PERIOD, DrawGameOver, GameOverStep);
    }
    Unbind(gameOverBindings);
}

void EndGame()
{
    StopAllSounds();
    if (game.gameOverBackdrop != nullptr) {
        SDL_FreeSurface(game.gameOverBackdrop);
        game.gameOverBackdrop = nullptr;
    }
    FreeAllBeams();
    FreeAllFlashes();
    FreeAllObjects();
    Unbind(playBindings);
    Unbind(gameOverBindings);
    DISP_RemoveHandler(windowCloseRecord);
    windowCloseRecord = nullptr;
}

void ArrangeShowcaseGame()
{
    game.levelMajor = 3;
    game.levelMinor = 20;
    game.flags = EXTRA_POINTER | EXTRA_EXPANSION_1 | EXTRA_INVERTER | EXTRA_FREEZER | LEFT_HELD;
    game.maxTurnSpeed = 15;
    game.reachBonus = 105;
    game.catcherLeft = static_cast<uint16_t>(game.catcherLeft - 9);
    game.catcherRight = static_cast<uint16_t>(game.catcherRight + 9);
    game.nextExtra = &extrasLadder[4];
    game.chain = 17;
    game.misses = 3;
    game.launchCountdown = 30000;
    app.points = 123456;
    for (int i = 0; i < 30; ++i) {
        Object* object = NewObject(static_cast<uint16_t>(i % 4));
        if (object == nullptr) {
            continue;
        }
        // Spread over the arena, all inside the catch ring (at most 114 pixels out).
        object->x = ((i * 37) % 161 - 80) * 65536;
        object->y = ((i * 53) % 161 - 80) * 65536;
        object->speed = 16384;
        object->animFrame = static_cast<uint16_t>(i % 6);
        NODE_AddTail(&object->link, &game.objects);
        game.unresolved += 1;
        ObjectScreenPosition(object, &object->screenX, &object->screenY);
        if (i < 4) {
            object->stateBits = (i % 2 == 0) ? ST_INVERTED : ST_KICK_ARMED;
            MarkObject(object);
        }
        if (i < 6) {
            (void)NewBeam(object, 0, 0, RandomPrimary(), 0);
        }
        game.target = object;
    }
    (void)NewBeam(nullptr, static_cast<int16_t>(app.backBufferX + 20), 30, RandomPrimary() | 0xFF000000u, 0);
    (void)NewBeam(nullptr, static_cast<int16_t>(app.backBufferX + 230), 40, RandomPrimary(), 0);
}

int QuitKey(SDL_keysym*, uint8_t type, uintptr_t)
{
    TraceKey("quit", type);
    // Released behind a close request in the same frame, it must not undo the close.
    if (type == SDL_KEYUP && app.runState != RUN_QUIT) {
        app.runState = RUN_PLAY;
    }
    return 1;
}

int GameStep()
{
    LevelClock();
    AnimateCentre();
    LaunchCountdown();
    AgeFlashes();
    CountDownBeams();
    DISP_PollAll();
    Steer();
    JudgeObjects();
    return app.runState == RUN_MENU;
}

void GameDraw()
{
    ComposeArena();
    if (game.rotate != nullptr) {
        game.rotate(&game.rotationJob);
    }
    DrawCatcher();
    DrawFlashes();
    DrawBeams();
    DrawMarkers();
    DrawStatus();
    if (app.present != nullptr) {
        app.present();
    }
}
