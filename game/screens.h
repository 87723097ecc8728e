// What the player sees besides the arena: the status texts over the field, the markers of
// marked objects and of the target, the pause screen with its summary, the entry animation
// of the catcher sliding in, and the blinking "GAME OVER" over the darkened last picture.
//
// Every text is drawn outlined with the theme's fonts onto the back buffer. The texts are
// formatted into one shared buffer: a returned text stays valid until the next call.
#pragma once

#include <cstdint>

struct SDL_keysym;
struct TXT_Font;

enum { PAUSE_LINES_MAX = 6, PAUSE_LINE_SIZE = 64 };

// The outline font at the eight neighbouring positions, then the font itself at (x, y).
void DrawOutlinedText(const TXT_Font* font, const TXT_Font* outline, const char* text, int16_t x,
                      int16_t y);

// The texts of the status display; NULL for the next-extra text once the ladder is climbed.
[[nodiscard]] const char* NextExtraText();
[[nodiscard]] const char* LevelPointsText();
[[nodiscard]] const char* MissesLeftText();

// The summary lines of the pause screen, the lines that are not shown left out; returns
// how many were written.
uint32_t PauseLines(char lines[PAUSE_LINES_MAX][PAUSE_LINE_SIZE]);
// Whether "GAME OVER" is shown in the frame: 19 frames shown, 11 hidden.
[[nodiscard]] bool GameOverTextShown(uint32_t frame);

// The end of the play frame's drawing: markers and target marker, then the status texts.
void DrawMarkers();
void DrawStatus();

// The KEY.PAUSE handler: shows the pause screen and waits for a key (or a quit).
int PauseKey(SDL_keysym* key, uint8_t type, uintptr_t user);
// The pause screen alone, presented, without stopping anything or waiting.
void DrawPauseScreen();

// The draw routines of the entry and game-over phases, each ending with presentation.
void DrawEntry();
void DrawGameOver();
