#include "game/chartentry.h"

#include <SDL.h>

#include "game/backdrop.h"
#include "game/chart.h"
#include "game/screens.h"
#include "shell/app.h"
#include "shell/audio.h"
#include "toolkit/gfx/clock.h"
#include "toolkit/gfx/font.h"
#include "toolkit/ui/wgentry.h"
#include "util/tools.h"

NameEntry nameEntry = {CHART_ROWS, 0, 0, nullptr, nullptr};

namespace {

const char* const congratulations = "CONGRATULATIONS!";

void NameChanged(WG_Entry* entry)
{
    if (nameEntry.newRow < CHART_ROWS) {
        AUX_CopyString(entry->text, chart[nameEntry.newRow].name, CHART_NAME_SIZE - 1);
    }
}

void NameFinished(WG_Entry* entry)
{
    if (entry->length == 0) {
        // An empty name is no name: give the entry the keyboard again. Without the keys (out
        // of memory) the screen could never be left: the row then stays nameless.
        WG_PressControl(&entry->control);
        if ((entry->entryFlags & WG_EF_EDITING) != 0) {
            return;
        }
    }
    app.runState = RUN_PLAY;
}

int EntryStep()
{
    AnimateBackdrop();
    if (WG_HandleEvents(1, SDL_QUIT) == -1) {
        app.runState = RUN_QUIT;
    }
    return app.runState == RUN_MENU ? 1 : 0;
}

void EntryDraw()
{
    DrawNameEntry(true);
}

}  // namespace

uint16_t InsertChartScore(uint32_t points)
{
    if (points <= chart[CHART_ROWS - 1].points) {
        return CHART_ROWS;
    }
    uint16_t row = 0;
    while (chart[row].points >= points) {
        row++;
    }
    for (int i = CHART_ROWS - 1; i > row; i--) {
        chart[i] = chart[i - 1];
    }
    chart[row].points = points;
    chart[row].name[0] = '\0';
    return row;
}

bool OpenNameEntry(uint16_t row)
{
    nameEntry.newRow = row;
    if (app.fontChart == nullptr || app.fontLabels == nullptr || app.backBuffer == nullptr) {
        return false;
    }
    // The widgets draw where everything on this screen is drawn: into the back buffer.
    const AUX_Tag screenTags[] = {
        {WG_TAG_KIND, WG_SCREEN},
        {WG_SCREEN_SURFACE, reinterpret_cast<uintptr_t>(&app.backBuffer)},
        {0, 0},
    };
    nameEntry.screen = WG_Create(nullptr, screenTags);
    if (nameEntry.screen == nullptr) {
        return false;
    }
    const AUX_Tag entryTags[] = {
        {WG_TAG_KIND, WG_ENTRY},
        {WG_TAG_PARENT, reinterpret_cast<uintptr_t>(&nameEntry.screen)},
        {WG_TAG_W, PICTURE_SIZE},
        {WG_TAG_H, app.fontChart->largestHeight},
        {WG_CONTROL_BEHAVIOUR, WG_CB_FOCUS_ONCE},
        {WG_LABEL_FONT, reinterpret_cast<uintptr_t>(&app.fontChart)},
        {WG_LABEL_SPACING, 1},
        {WG_ENTRY_MARGIN, 0},
        {WG_ENTRY_MAXLEN, CHART_NAME_SIZE - 1},
        {WG_ENTRY_CURSOR_COLOUR, 0xFFFFFF},
        {WG_ENTRY_BLINK_ON, 2},
        {WG_ENTRY_BLINK_OFF, 1},
        {WG_ENTRY_FLAGS, WG_EF_FINISH_ON_RELEASE},
        {WG_ENTRY_ON_CHANGE, reinterpret_cast<uintptr_t>(NameChanged)},
        {WG_ENTRY_ON_FINISH, reinterpret_cast<uintptr_t>(NameFinished)},
        {0, 0},
    };
    WG_Widget* entry = WG_Create(nullptr, entryTags);
    nameEntry.entry = reinterpret_cast<WG_Entry*>(entry);
    // An entry that cannot take the keys would leave the player no way off this screen.
    if (entry == nullptr || (nameEntry.entry->entryFlags & WG_EF_EDITING) == 0) {
        CloseNameEntry();
        return false;
    }
    const int labelsHeight = app.fontLabels->largestHeight;
    nameEntry.congratsX =
        static_cast<uint16_t>(chartCentreX - TXT_TextWidth(app.fontLabels, congratulations, 1) / 2);
    nameEntry.congratsY = static_cast<uint16_t>(chartTop + 8 * labelsHeight);
    WG_SetPosition(entry, static_cast<int16_t>(nameEntry.congratsX),
                   static_cast<int16_t>(nameEntry.congratsY + labelsHeight + 1));
    AUDIO_Play(0, SOUND_CONGRATULATIONS, app.sounds[SOUND_CONGRATULATIONS], 0);
    return true;
}

void DrawNameEntry(bool present)
{
    DrawBackdrop();
    DrawChart();
    DrawOutlinedText(app.fontLabels, app.fontOutline, congratulations,
                     static_cast<int16_t>(nameEntry.congratsX), static_cast<int16_t>(nameEntry.congratsY));
    if (nameEntry.entry != nullptr) {
        WG_Widget* w = &nameEntry.entry->widget;
        WG_UpdateSize(w);
        WG_UpdatePosition(w);
        DrawOutlinedText(app.fontOutline, app.fontOutline, nameEntry.entry->text, w->absX, w->absY);
    }
    WG_Refresh();
    if (app.backBuffer != nullptr) {
        SDL_SetClipRect(app.backBuffer, nullptr);
    }
    if (present && app.present != nullptr) {
        app.present();
    }
}

void CloseNameEntry()
{
    if (nameEntry.entry != nullptr) {
        WG_Destroy(&nameEntry.entry->widget);
        nameEntry.entry = nullptr;
    }
    if (nameEntry.screen != nullptr) {
        WG_Destroy(nameEntry.screen);
        nameEntry.screen = nullptr;
    }
}

void EnterChart()
{
    const uint16_t row = InsertChartScore(app.points);
    nameEntry.newRow = row;
    if (row >= CHART_ROWS) {
        return;
    }
    app.runState = RUN_MENU;
    if (!OpenNameEntry(row)) {
        // The row stays, nameless; the after-game steps of the menu loop still run.
        app.runState = RUN_PLAY;
        return;
    }
    TXT_RunFrames(20, EntryDraw, EntryStep);
    CloseNameEntry();
}
