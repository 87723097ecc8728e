// The after-game chart name entry: a score that beats row 10 of the chart takes its row and
// the player types a name for it on the "CONGRATULATIONS!" screen, over the backdrop and the
// "TOP KINGS" table, in a one-line text entry of the widget toolkit.
//
// Depends on game/chart.h (the rows it writes), game/backdrop.h, game/screens.h, the widget
// toolkit (toolkit/ui/wgentry.h), shell/app.h (fonts, back buffer, run state) and
// shell/audio.h. The chart itself is saved by the theme loop, as after every menu.
#pragma once

#include <cstdint>

struct WG_Widget;
struct WG_Entry;

// The entry screen's state; read only outside this module. `newRow` is 10 when the last
// score took no row; the widgets exist only while the screen runs.
struct NameEntry {
    uint16_t newRow;
    uint16_t congratsX;
    uint16_t congratsY;
    WG_Widget* screen;
    WG_Entry* entry;
};
extern NameEntry nameEntry;

// Called by the menu loop after a game that ended normally (run state RUN_PLAY). Leaves
// RUN_PLAY once a name was entered, or when no screen could be shown; RUN_QUIT when the window
// was closed during the entry (the row keeps the name typed so far).
void EnterChart();

// The pieces of the above, for the tools and the tests.
// Puts the points into the chart under every row with as many or more, row 10 falling off,
// with an empty name; returns the row, or 10 (chart untouched) when they do not beat row 10.
uint16_t InsertChartScore(uint32_t points);
// Builds the screen and the entry for row `row` and plays the congratulations; false, with
// nothing left built, when a widget cannot be made. Undo with CloseNameEntry.
[[nodiscard]] bool OpenNameEntry(uint16_t row);
// One frame of the entry screen onto the back buffer, presented when `present` is set.
void DrawNameEntry(bool present);
void CloseNameEntry();
