#include "game/catcher.h"

#include <SDL.h>

#include <cstdlib>

#include "game/game.h"
#include "game/objects.h"
#include "game/sounds.h"
#include "shell/app.h"
#include "shell/devices.h"
#include "toolkit/gfx/clock.h"
#include "toolkit/gfx/line.h"
#include "toolkit/gfx/pix.h"
#include "util/mem.h"

namespace {

enum : int {
    KEY_DOWN = SDL_KEYDOWN,
    STILL_LEFT_HALF = 21,
    STILL_RIGHT_HALF = 29,
    TURNING_LEFT_LEFT_HALF = 37,
    TURNING_LEFT_RIGHT_HALF = 45,
    TURNING_RIGHT_LEFT_HALF = 53,
    TURNING_RIGHT_RIGHT_HALF = 61,
};

// Whether the mouse alone turned the arena in the last frame, which is when the turning
// sound is the mouse's to start and stop.
bool spinnerTurning = false;

// The mouse's share of this frame's turn: the arena never turns faster than the steering's
// top speed, whatever the keys already do.
int32_t SpinnerTurn(int16_t top)
{
    if (!SpinnerCaptured()) {
        spinnerTurning = false;
        return 0;
    }
    const int32_t turn = TakeSpinnerTurn(-top - game.turnVelocity, top - game.turnVelocity);
    const bool alone = turn != 0 && (game.flags & (LEFT_HELD | RIGHT_HELD)) == 0;
    if (alone && !spinnerTurning) {
        PlaySound(CHANNEL_MOVEMENT, SOUND_MOVEMENT, LOOP_FOREVER);
    } else if (!alone && spinnerTurning && (game.flags & (LEFT_HELD | RIGHT_HELD)) == 0) {
        HaltChannel(CHANNEL_MOVEMENT);
    }
    spinnerTurning = alone;
    return turn;
}

void TurnKey(int type, uint16_t held, uint16_t other)
{
    if (type == KEY_DOWN) {
        game.flags |= held;
        PlaySound(CHANNEL_MOVEMENT, SOUND_MOVEMENT, LOOP_FOREVER);
        return;
    }
    game.flags = static_cast<uint16_t>(game.flags & ~held);
    if ((game.flags & other) == 0) {
        HaltChannel(CHANNEL_MOVEMENT);
    }
}

uint32_t RandomOpacity()
{
    return static_cast<uint32_t>(rand() % 192 + 64);
}

void ClampToField(int32_t* x, int32_t* y)
{
    int32_t left = static_cast<int32_t>(app.backBufferX);
    if (*x <= left) {
        *x = left + 1;
    } else if (*x >= left + 254) {
        *x = left + 253;
    }
    if (*y <= 0) {
        *y = 1;
    } else if (*y > 253) {
        *y = 253;
    }
}

void DrawBeam(const Beam* beam)
{
    int32_t endX = beam->endX;
    int32_t endY = beam->endY;
    if (beam->object != nullptr) {
        ObjectScreenPosition(beam->object, &endX, &endY);
    }
    ClampToField(&endX, &endY);
    int32_t startX = beam->startX;
    int32_t startY = beam->startY;
    if (beam->duration != 0) {
        int32_t done = beam->duration - beam->timer;
        startX += (endX - startX) * done / beam->duration;
        startY += (endY - startY) * done / beam->duration;
    }
    uint32_t colour = beam->colour;
    if ((colour >> 24) == 0) {
        colour |= RandomOpacity() << 24;
    }
    LN_DrawLine(static_cast<int16_t>(startX), static_cast<int16_t>(startY),
                static_cast<int16_t>(endX), static_cast<int16_t>(endY), colour);
}

void DrawArc()
{
    for (int line = 0; line < 2; ++line) {
        int32_t y0 = 247 + rand() % 7;
        int32_t y1 = 247 + rand() % 7;
        uint32_t colour = (game.catcherBeamColour & 0xFFFFFFu) | RandomOpacity() << 24;
        LN_DrawLine(static_cast<int16_t>(game.catcherLeft), static_cast<int16_t>(y0),
                    static_cast<int16_t>(game.catcherRight), static_cast<int16_t>(y1), colour);
    }
}

}  // namespace

int TurnLeftKey(SDL_keysym*, uint8_t type, uintptr_t)
{
    TraceKey("left", type);
    TurnKey(type, LEFT_HELD, RIGHT_HELD);
    return 1;
}

int TurnRightKey(SDL_keysym*, uint8_t type, uintptr_t)
{
    TraceKey("right", type);
    TurnKey(type, RIGHT_HELD, LEFT_HELD);
    return 1;
}

void Steer()
{
    int16_t top = static_cast<int16_t>(game.maxTurnSpeed);
    if ((game.flags & LEFT_HELD) != 0) {
        if (game.turnVelocity < 0) {
            game.turnVelocity = top;
        } else if (game.turnVelocity < top) {
            game.turnVelocity = static_cast<int16_t>(game.turnVelocity + 1);
        }
    } else if ((game.flags & RIGHT_HELD) != 0) {
        if (game.turnVelocity > 0) {
            game.turnVelocity = static_cast<int16_t>(-top);
        } else if (game.turnVelocity > -top) {
            game.turnVelocity = static_cast<int16_t>(game.turnVelocity - 1);
        }
    } else {
        game.turnVelocity = 0;
    }
    const int32_t turn = game.turnVelocity + SpinnerTurn(top);
    game.fieldAngle = static_cast<uint16_t>((game.fieldAngle + 1024 + turn) % 1024);
    game.rotationJob.angle = game.fieldAngle;
}

Beam* NewBeam(Object* object, int16_t endX, int16_t endY, uint32_t colour, uint16_t duration)
{
    auto* beam = static_cast<Beam*>(MEM_Calloc(1, sizeof(Beam)));
    if (beam == nullptr) {
        return nullptr;
    }
    beam->link.data = beam;
    beam->startX = static_cast<int16_t>(game.catcherCentre);
    beam->startY = BEAM_START_Y;
    beam->endX = endX;
    beam->endY = endY;
    beam->colour = colour;
    beam->duration = duration;
    beam->timer = duration;
    if (object != nullptr) {
        beam->object = object;
        object->beam = beam;
    }
    NODE_AddTail(&beam->link, &game.beams);
    return beam;
}

void RemoveBeam(Beam* beam)
{
    if (beam == nullptr) {
        return;
    }
    if (beam->object != nullptr && beam->object->beam == beam) {
        beam->object->beam = nullptr;
    }
    NODE_Remove(&beam->link);
    MEM_Free(beam);
}

void CountDownBeams()
{
    NODE_Node* next = nullptr;
    for (NODE_Node* node = game.beams.first; node != nullptr; node = next) {
        next = node->next;
        auto* beam = static_cast<Beam*>(node->data);
        if (beam->timer == 0) {
            continue;
        }
        beam->timer = static_cast<uint16_t>(beam->timer - 1);
        if (beam->timer == 0) {
            RemoveBeam(beam);
        }
    }
}

void FreeAllBeams()
{
    while (game.beams.first != nullptr) {
        RemoveBeam(static_cast<Beam*>(game.beams.first->data));
    }
}

uint32_t RandomPrimary()
{
    int k = rand() % 7 + 1;
    return ((k & 4) != 0 ? 0xFF0000u : 0u) | ((k & 2) != 0 ? 0x00FF00u : 0u) |
           ((k & 1) != 0 ? 0x0000FFu : 0u);
}

void DrawCatcher()
{
    if (game.sprites == nullptr) {
        return;
    }
    int f = static_cast<int>(frameCounter & 7);
    int left = STILL_LEFT_HALF;
    int right = STILL_RIGHT_HALF;
    if ((game.flags & LEFT_HELD) != 0) {
        left = TURNING_LEFT_LEFT_HALF;
        right = TURNING_LEFT_RIGHT_HALF;
    } else if ((game.flags & RIGHT_HELD) != 0) {
        left = TURNING_RIGHT_LEFT_HALF;
        right = TURNING_RIGHT_RIGHT_HALF;
    }
    (void)PIX_BlitAt(game.sprites[left + f], app.backBuffer, game.catcherLeft - 19, CATCHER_LINE);
    (void)PIX_BlitAt(game.sprites[right + f], app.backBuffer, game.catcherRight - 12, CATCHER_LINE);
}

void DrawBeams()
{
    if (LN_BeginPlot(LN_PlotSmoothBlend, app.backBuffer) != 0) {
        return;
    }
    for (NODE_Node* node = game.beams.first; node != nullptr; node = node->next) {
        DrawBeam(static_cast<const Beam*>(node->data));
    }
    DrawArc();
    LN_EndPlot();
}
