#include "game/screens.h"

#include <SDL.h>

#include <cstdio>

#include "game/backdrop.h"
#include "game/extras.h"
#include "game/game.h"
#include "game/objects.h"
#include "game/scoring.h"
#include "game/sounds.h"
#include "shell/app.h"
#include "shell/devices.h"
#include "toolkit/gfx/clock.h"
#include "toolkit/gfx/disp.h"
#include "toolkit/gfx/font.h"
#include "toolkit/gfx/pix.h"

namespace {

enum : int {
    SPACING = 1,
    DARKEN = -50,
    FRAME_TARGET = 16,
    FRAME_INVERTED = 17,
    FRAME_DECELERATED = 18,
    FRAME_KICK_ARMED = 19,
    FRAME_KICKED = 20,
    ENTRY_LEFT_HALF = 53,
    ENTRY_RIGHT_HALF = 45,
    ENTRY_FRAMES = 50,
};

char textBuffer[128];

int16_t FontHeight(const TXT_Font* font)
{
    return font != nullptr ? static_cast<int16_t>(font->largestHeight) : 0;
}

int16_t FieldLeft()
{
    return static_cast<int16_t>(app.backBufferX);
}

void Present()
{
    if (app.present != nullptr) {
        app.present();
    }
}

// Texts at the right edge are placed by their width in the outline font, which is what
// reaches furthest.
int16_t RightAligned(const char* text)
{
    return static_cast<int16_t>(FieldLeft() + 253 - TXT_TextWidth(app.fontOutline, text, SPACING));
}

void DrawSprite(int frame, int32_t x, int32_t y)
{
    if (game.sprites != nullptr) {
        (void)PIX_BlitCentred(game.sprites[frame], app.backBuffer, static_cast<int16_t>(x),
                              static_cast<int16_t>(y));
    }
}

// Centred on (centreX, y), then one pixel up and to the left.
void DrawCentredLine(const TXT_Font* font, const char* text, int16_t y)
{
    auto x = static_cast<int16_t>(app.centreX);
    TXT_CentreAt(font, text, SPACING, &x, &y);
    DrawOutlinedText(font, app.fontOutline, text, static_cast<int16_t>(x - 1),
                     static_cast<int16_t>(y - 1));
}

int IgnoreKey(SDL_keysym*, uint8_t, uintptr_t)
{
    return 1;
}

void WaitForKey()
{
    DISP_HandlerSet* swallow = DISP_NewKeyHandlerSet(IgnoreKey, 0);
    if (swallow == nullptr) {
        return;
    }
    (void)DISP_WaitKeyPress(1);
    DISP_FreeKeyHandlerSet(swallow);
}

}  // namespace

void DrawPauseScreen()
{
    DrawBackdrop();
    PIX_Grey(app.backBuffer);
    PIX_Tint(app.backBuffer, DARKEN, DARKEN, DARKEN);
    DrawCentredLine(app.fontLabels, "PAUSE", 127);
    char lines[PAUSE_LINES_MAX][PAUSE_LINE_SIZE];
    uint32_t count = PauseLines(lines);
    auto y = static_cast<int16_t>(127 + 2 * FontHeight(app.fontLabels));
    for (uint32_t i = 0; i < count; ++i) {
        DrawCentredLine(app.fontStatus, lines[i], y);
        y = static_cast<int16_t>(y + FontHeight(app.fontStatus));
    }
    Present();
}

void DrawOutlinedText(const TXT_Font* font, const TXT_Font* outline, const char* text, int16_t x,
                      int16_t y)
{
    if (text == nullptr || app.backBuffer == nullptr) {
        return;
    }
    if (outline != nullptr) {
        for (int dy = -1; dy <= 1; ++dy) {
            for (int dx = -1; dx <= 1; ++dx) {
                if (dx != 0 || dy != 0) {
                    (void)TXT_DrawText(outline, text, SPACING, app.backBuffer,
                                       static_cast<int16_t>(x + dx), static_cast<int16_t>(y + dy));
                }
            }
        }
    }
    if (font != nullptr) {
        (void)TXT_DrawText(font, text, SPACING, app.backBuffer, x, y);
    }
}

const char* NextExtraText()
{
    const ExtraEntry* next = game.nextExtra;
    if (next == nullptr || next->threshold == 0) {
        return nullptr;
    }
    std::snprintf(textBuffer, sizeof textBuffer, "%s @ %d", next->name,
                  static_cast<int>(game.chain) - static_cast<int>(next->threshold));
    return textBuffer;
}

const char* LevelPointsText()
{
    unsigned hundredths = 2u * static_cast<unsigned>(game.levelMinor) + (frameCounter % 50u) * 2u / 50u;
    std::snprintf(textBuffer, sizeof textBuffer, "%u.%.2u  %u", static_cast<unsigned>(game.levelMajor),
                  hundredths, static_cast<unsigned>(app.points));
    return textBuffer;
}

const char* MissesLeftText()
{
    std::snprintf(textBuffer, sizeof textBuffer, "%u",
                  static_cast<unsigned>(game.missesLimit - game.misses));
    return textBuffer;
}

uint32_t PauseLines(char lines[PAUSE_LINES_MAX][PAUSE_LINE_SIZE])
{
    uint32_t count = 0;
    std::snprintf(lines[count++], PAUSE_LINE_SIZE, "misses limit: %u",
                  static_cast<unsigned>(game.missesLimit - game.misses));
    const ExtraEntry* next = game.nextExtra;
    if (next != nullptr && next->threshold != 0) {
        std::snprintf(lines[count++], PAUSE_LINE_SIZE, "next extra: %s @ %d", next->name,
                      static_cast<int>(game.chain) - static_cast<int>(next->threshold));
    }
    char letters[8];
    StatusLetters(letters);
    if (letters[0] != '\0') {
        std::snprintf(lines[count++], PAUSE_LINE_SIZE, "extras: %s", letters);
    }
    std::snprintf(lines[count++], PAUSE_LINE_SIZE, "level: %u.%u",
                  static_cast<unsigned>(game.levelMajor), static_cast<unsigned>(game.levelMinor));
    std::snprintf(lines[count++], PAUSE_LINE_SIZE, "points: %u", static_cast<unsigned>(app.points));
    uint32_t position = ChartPosition(app.points);
    if (position <= 10) {
        std::snprintf(lines[count++], PAUSE_LINE_SIZE, "chart position: %u",
                      static_cast<unsigned>(position));
    } else {
        std::snprintf(lines[count++], PAUSE_LINE_SIZE, "chart position: out");
    }
    return count;
}

bool GameOverTextShown(uint32_t frame)
{
    return frame % 30 > 10;
}

void DrawMarkers()
{
    for (NODE_Node* node = game.marked.first; node != nullptr; node = node->next) {
        const auto* object = static_cast<const Object*>(node->data);
        if ((object->stateBits & ST_INVERTED) != 0) {
            DrawSprite(FRAME_INVERTED, object->screenX, object->screenY);
        }
        if ((object->stateBits & ST_DECELERATED) != 0) {
            DrawSprite(FRAME_DECELERATED, object->screenX, object->screenY);
        }
        if ((object->stateBits & ST_KICK_ARMED) != 0) {
            DrawSprite(FRAME_KICK_ARMED, object->screenX, object->screenY);
        } else if ((object->stateBits & ST_KICKED) != 0) {
            DrawSprite(FRAME_KICKED, object->screenX, object->screenY);
        }
    }
    if ((game.flags & EXTRA_POINTER) != 0 && game.target != nullptr) {
        DrawSprite(FRAME_TARGET, game.target->screenX, game.target->screenY);
    }
}

void DrawStatus()
{
    int16_t left = static_cast<int16_t>(FieldLeft() + 2);
    int16_t bottom = static_cast<int16_t>(253 - FontHeight(app.fontStatus));
    const char* text = NextExtraText();
    if (text != nullptr) {
        DrawOutlinedText(app.fontStatus, app.fontOutline, text, left, 2);
    }
    text = LevelPointsText();
    DrawOutlinedText(app.fontStatus, app.fontOutline, text, RightAligned(text), 2);
    char letters[8];
    StatusLetters(letters);
    DrawOutlinedText(app.fontStatus, app.fontOutline, letters, left, bottom);
    text = MissesLeftText();
    DrawOutlinedText(app.fontStatus, app.fontOutline, text, RightAligned(text), bottom);
}

int PauseKey(SDL_keysym*, uint8_t type, uintptr_t)
{
    TraceKey("pause", type);
    if (type != SDL_KEYDOWN) {
        return 1;
    }
    StopAllSounds();
    PlaySound(CHANNEL_FIRST_FREE, SOUND_SELECTION, 0);
    EndFreeze();
    game.flags = static_cast<uint16_t>(game.flags & ~(LEFT_HELD | RIGHT_HELD));
    DrawPauseScreen();
    // The pointer is free while the game waits, and turns the arena again afterwards.
    const bool spinning = SpinnerCaptured();
    CaptureSpinner(false);
    WaitForKey();
    CaptureSpinner(spinning && app.runState == RUN_MENU);
    TXT_StartClock(20);
    return 1;
}

void DrawEntry()
{
    if (app.field != nullptr && app.rotationSource != nullptr) {
        (void)PIX_BlitAt(app.field, app.rotationSource, 0, 0);
    }
    if (game.rotate != nullptr) {
        game.rotate(&game.rotationJob);
    }
    if (game.sprites != nullptr) {
        int32_t f = static_cast<int32_t>(frameCounter & 7);
        int32_t t = frameCounter > ENTRY_FRAMES ? ENTRY_FRAMES : static_cast<int32_t>(frameCounter);
        int32_t left = FieldLeft();
        int32_t leftX = left - 18 + (game.catcherLeft - left - 1) * t / ENTRY_FRAMES;
        int32_t rightX = left + 242 - (left + 254 - game.catcherRight) * t / ENTRY_FRAMES;
        (void)PIX_BlitAt(game.sprites[ENTRY_LEFT_HALF + f], app.backBuffer,
                         static_cast<int16_t>(leftX), CATCHER_LINE);
        (void)PIX_BlitAt(game.sprites[ENTRY_RIGHT_HALF + f], app.backBuffer,
                         static_cast<int16_t>(rightX), CATCHER_LINE);
    }
    Present();
}

void DrawGameOver()
{
    if (game.gameOverBackdrop == nullptr && app.backBuffer != nullptr) {
        game.gameOverBackdrop = PIX_Duplicate(app.backBuffer, 0);
        if (game.gameOverBackdrop != nullptr) {
            PIX_Grey(game.gameOverBackdrop);
            PIX_Tint(game.gameOverBackdrop, DARKEN, DARKEN, DARKEN);
        }
    }
    if (game.gameOverBackdrop != nullptr) {
        (void)PIX_BlitAt(game.gameOverBackdrop, app.backBuffer, 0, 0);
    } else if (app.backBuffer != nullptr) {
        SDL_FillRect(app.backBuffer, nullptr, 0);
    }
    if (GameOverTextShown(frameCounter)) {
        auto x = static_cast<int16_t>(app.centreX);
        int16_t y = 127;
        TXT_CentreAt(app.fontLabels, "GAME OVER", SPACING, &x, &y);
        DrawOutlinedText(app.fontLabels, app.fontOutline, "GAME OVER", x, y);
    }
    Present();
}
