// The frame clock: the fixed-period loops of every moving screen, and the time source that
// they and the event waits read. The source defaults to SDL's ticks and delay; tests put a
// virtual clock in its place so that no test sleeps and a long run of frames costs no time.
#pragma once

#include <cstdint>

using CLK_TicksFn = uint32_t (*)();
using CLK_DelayFn = void (*)(uint32_t ms);

// Replaces the time source; NULL for either restores SDL_GetTicks / SDL_Delay for both.
void CLK_SetSource(CLK_TicksFn ticks, CLK_DelayFn delay);
// A virtual source starting at `start` ms: time moves only by CLK_Delay and CLK_Advance.
void CLK_UseVirtual(uint32_t start);
// Moves the virtual clock on (a step that "takes" time in a test); no effect on SDL's clock.
void CLK_Advance(uint32_t ms);

uint32_t CLK_GetTicks();
void CLK_Delay(uint32_t ms);

// Frames counted by the running TXT_RunFrames since it began; the game times its phases by it.
extern uint32_t frameCounter;

using TXT_DrawFn = void (*)();
// Returns 0 to end the loop.
using TXT_StepFn = int (*)();

void TXT_StartClock(uint32_t period);
// Calls step() once per period and draw() after each step that ended before its deadline;
// late steps are not drawn but the deadline still advances by one period. After a step
// returns 0, draw() runs once more and the loop ends. Nothing happens unless both are given.
void TXT_RunFrames(uint32_t period, TXT_DrawFn draw, TXT_StepFn step);
