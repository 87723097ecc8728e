// The menu between games: six pages of text entries (main, options, about, theme, video,
// controls)
// drawn in the theme's framed box over the backdrop and the top chart, moved through with
// the configured keys, and the option handlers that change the settings.
//
// The selected entry is always the first of its page: moving the selection rotates the
// page, so the box shows the selected entry at its top, blinking. Choosing a theme reloads
// the theme and choosing a video entry restarts the program; the page they were chosen on
// is opened again by the next BuildMenu. The menu steers the program only through
// `app.runState`. Pages, key handlers and the quit handler live from BuildMenu to
// TearDownMenu, which the menu loop runs once per pass.
#pragma once

#include <cstdint>

#include "util/node.h"

struct DISP_Handler;
struct DISP_HandlerSet;

// Byte 0x01 alone labels a page's back entry (quit on the main page); 0x02 marks the
// video modes that suit the display best.
#define MENU_BACK_LABEL "\x01"
#define MENU_MARK "\x02"

enum MenuAction : uint16_t {
    MENU_NONE = 0,
    MENU_UP = 1,
    MENU_DOWN = 2,
    MENU_CHOOSE = 3,
    MENU_BACK = 4,
};

// Steps from one move of a held up or down key to the next, less one.
enum { MENU_REPEAT_STEPS = 25 };

// An entry's handler gets the entry's label; false restarts the program.
using MenuHandler = bool (*)(const char* label);

// A list of named items: each name is an entry's label, each value its MenuHandler.
struct MenuPage {
    NODE_List entries;
    MenuPage* parent; // the page "back" returns to; none for the main page
};

// Fields are read only outside this module (the tests look at them).
struct Menu {
    MenuPage main;
    MenuPage options;
    MenuPage about;
    MenuPage theme;
    MenuPage video;
    MenuPage controls;
    MenuPage* current; // none outside BuildMenu .. TearDownMenu
    uint16_t boxX, boxY, boxW, boxH;
    uint16_t action; // a MenuAction
    uint16_t repeat; // steps left before a held key moves again
    MenuPage* reopen; // set by the theme and video handlers; outlives tear-down and restart
    DISP_Handler* quitHandler;
    // While an action of the controls page waits for its new key: the handlers that take
    // every key, and the action's settings key.
    DISP_HandlerSet* awaiting;
    const char* awaitedAction;
};

extern Menu menu;

// Builds every page from the settings and the theme of the moment and registers the menu's
// keys and its window-close handler; sets runState to RUN_MENU. False when the theme's
// "MENU" does not hold four numbers, an entry cannot be made, a key is not configured or a
// handler cannot be registered: TearDownMenu must follow in either case.
[[nodiscard]] bool BuildMenu();
// Runs the menu at 50 steps a second until a choice changes the run state.
void RunMenu();
// Unregisters the handlers and frees every page's entries; harmless when nothing is built.
void TearDownMenu();

// One step and one picture of the menu, as RunMenu calls them; the tests call them directly.
// MenuStep returns whether the menu goes on.
int MenuStep();
void MenuDraw();

// Gives the entry labelled `oldLabel` the label `newLabel`, keeping its handler and its
// place, so a selected entry stays selected. False when there is no such entry or the new
// entry cannot be made (the old one then stays).
[[nodiscard]] bool RelabelEntry(const char* oldLabel, const char* newLabel, MenuPage* page);

// The about page's text lines after the version title (the theme line filled in) into
// `lines`; returns how many. The texts stay valid until the next call.
[[nodiscard]] int AboutLines(const char* lines[], int capacity);
