#include "toolkit/gfx/clock.h"

#include <SDL.h>

uint32_t frameCounter = 0;

namespace {

uint32_t sdl_ticks()
{
    return SDL_GetTicks();
}

void sdl_delay(uint32_t ms)
{
    SDL_Delay(ms);
}

uint32_t virtualNow = 0;

uint32_t virtual_ticks()
{
    return virtualNow;
}

void virtual_delay(uint32_t ms)
{
    virtualNow += ms;
}

CLK_TicksFn ticksFn = sdl_ticks;
CLK_DelayFn delayFn = sdl_delay;
uint32_t deadline = 0;

}  // namespace

void CLK_SetSource(CLK_TicksFn ticks, CLK_DelayFn delay)
{
    if (ticks == nullptr || delay == nullptr) {
        ticksFn = sdl_ticks;
        delayFn = sdl_delay;
        return;
    }
    ticksFn = ticks;
    delayFn = delay;
}

void CLK_UseVirtual(uint32_t start)
{
    virtualNow = start;
    CLK_SetSource(virtual_ticks, virtual_delay);
}

void CLK_Advance(uint32_t ms)
{
    virtualNow += ms;
}

uint32_t CLK_GetTicks()
{
    return ticksFn();
}

void CLK_Delay(uint32_t ms)
{
    delayFn(ms);
}

void TXT_StartClock(uint32_t period)
{
    deadline = CLK_GetTicks() + period;
}

void TXT_RunFrames(uint32_t period, TXT_DrawFn draw, TXT_StepFn step)
{
    if (draw == nullptr || step == nullptr) {
        return;
    }
    frameCounter = 0;
    deadline = CLK_GetTicks() + period;
    while (step() != 0) {
        if (CLK_GetTicks() < deadline) {
            draw();
            auto wait = static_cast<int32_t>(deadline - CLK_GetTicks());
            if (wait > 0) {
                CLK_Delay(static_cast<uint32_t>(wait));
            }
        }
        deadline += period;
        frameCounter++;
    }
    draw();
}
