// The extras a player earns by catching objects in a row: the ladder of twelve rows,
// switching them on and off as the chain climbs and falls, and the three buttons that use
// them, with the beams that show what they act on.
//
// Pointer, speed-up and the expansions act by themselves while on; laser and inverter are
// used with KEY.BUTTON1, the freezer with KEY.BUTTON2, magnet, nuke, kickback and
// decelerator with KEY.BUTTON3. The one-shot extras clear their flag when used.
#pragma once

#include <cstdint>

struct Object;
struct SDL_keysym;

using ExtraSwitchFn = void (*)(int on);

struct ExtraEntry {
    const char* name; // NULL on the row that ends the ladder
    ExtraSwitchFn toggle;
    uint16_t threshold; // the chain at which it is earned; 0 on the end row
    uint16_t spare;     // always 0
};

enum { EXTRA_ROWS = 12 };

// The twelve rows in the order they are earned, then the end row.
extern const ExtraEntry extrasLadder[EXTRA_ROWS + 1];

// Switches the row's extra on (nothing when it is already on, else its flag, effect and
// sound) or off (its flag and effect, even when the flag is already clear).
void SwitchExtra(const ExtraEntry* row, int on);
// After a catch: the next row is switched on when the chain has reached its threshold.
void EarnExtras();
// After a miss has cut the chain: every earned row above the chain is switched off,
// the highest first, and must be earned again.
void LoseExtras();

int Button1Key(SDL_keysym* key, uint8_t type, uintptr_t user);
int Button2Key(SDL_keysym* key, uint8_t type, uintptr_t user);
int Button3Key(SDL_keysym* key, uint8_t type, uintptr_t user);

// Lets the frozen object go (if any) with its saved capabilities and halts the freezer loop.
void EndFreeze();
// Appends the object to the marked list (moving it to the end when already there).
void MarkObject(Object* object);

// The letters of what the buttons would use, e.g. "SLFM"; `out` holds at least 5 bytes.
void StatusLetters(char* out);
