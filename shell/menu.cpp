#include "shell/menu.h"

#include <SDL.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "game/backdrop.h"
#include "game/chart.h"
#include "game/screens.h"
#include "shell/app.h"
#include "shell/audio.h"
#include "shell/settings.h"
#include "toolkit/gfx/clock.h"
#include "toolkit/gfx/disp.h"
#include "toolkit/gfx/font.h"
#include "toolkit/gfx/pix.h"
#include "toolkit/ui/inp.h"
#include "util/kv.h"

Menu menu;

namespace {

constexpr size_t LABEL_SIZE = 128;
constexpr const char* INTERPOLATION_LABEL = "INTERPOLATION: %s";
constexpr const char* VOLUME_PREFIX = "VOLUME: ";
constexpr const char* DIFFICULTY_PREFIX = "DIFFICULTY: ";
constexpr const char* VERSION_TITLE = "ZAF 20100329.1553-AOS4";

// The menu's keys: what a press and a release of each configured key does.
struct MenuKey {
    const char* setting;
    DISP_KeyFn fn;
    DISP_Handler* record;
};

int MoveKey(uint8_t type, MenuAction move)
{
    if (type == SDL_KEYDOWN) {
        menu.repeat = 0;
        menu.action = move;
    } else {
        menu.action = MENU_NONE;
    }
    return 1;
}

int UpKey(SDL_keysym*, uint8_t type, uintptr_t)
{
    return MoveKey(type, MENU_UP);
}

int DownKey(SDL_keysym*, uint8_t type, uintptr_t)
{
    return MoveKey(type, MENU_DOWN);
}

int ChooseKey(SDL_keysym*, uint8_t type, uintptr_t)
{
    if (type == SDL_KEYUP) {
        menu.repeat = 0;
        menu.action = MENU_CHOOSE;
    }
    return 1;
}

int BackKey(SDL_keysym*, uint8_t type, uintptr_t)
{
    if (type == SDL_KEYUP) {
        menu.repeat = 0;
        menu.action = MENU_BACK;
    } else {
        menu.action = MENU_NONE;
    }
    return 1;
}

MenuKey menuKeys[] = {
    {"KEY.UP", UpKey, nullptr},          {"KEY.DOWN", DownKey, nullptr},
    {"KEY.BUTTON1", ChooseKey, nullptr}, {"KEY.BUTTON2", ChooseKey, nullptr},
    {"KEY.BUTTON3", ChooseKey, nullptr}, {"KEY.QUIT", BackKey, nullptr},
};

int QuitEvent(SDL_Event*, uintptr_t)
{
    app.runState = RUN_QUIT;
    return 1;
}

void Play(int sound)
{
    AUDIO_Play(-1, sound, app.sounds[sound], 0);
}

MenuHandler HandlerOf(const NODE_Item* item)
{
    return reinterpret_cast<MenuHandler>(item->value);
}

bool AddEntry(MenuPage* page, const char* label, MenuHandler handler)
{
    NODE_Item* item = NODE_NewItem(label, reinterpret_cast<uintptr_t>(handler));
    if (item == nullptr) {
        return false;
    }
    NODE_AddItemTail(item, &page->entries);
    return true;
}

const NODE_Item* FirstEntry(const MenuPage* page)
{
    return page->entries.first != nullptr ? static_cast<const NODE_Item*>(page->entries.first->data)
                                          : nullptr;
}

void Open(MenuPage* page)
{
    page->parent = menu.current;
    menu.current = page;
}

// Brings the entry with the label to the top of the page; false when there is none.
bool RotateTo(MenuPage* page, const char* label)
{
    if (NODE_FindItem(label, &page->entries) == nullptr) {
        return false;
    }
    while (strcmp(FirstEntry(page)->name, label) != 0) {
        NODE_Rotate(&page->entries, 0);
    }
    return true;
}

const char* Setting(const char* key)
{
    const char* value = nullptr;
    if (!KV_GetString(app.config, key, &value) || value == nullptr) {
        return "";
    }
    return value;
}

bool PlayEntry(const char*)
{
    app.runState = RUN_PLAY;
    return true;
}

bool QuitEntry(const char*)
{
    app.runState = RUN_QUIT;
    return true;
}

bool BackEntry(const char*)
{
    menu.current = menu.current != nullptr ? menu.current->parent : nullptr;
    return true;
}

bool OptionsEntry(const char*)
{
    Open(&menu.options);
    return true;
}

bool AboutEntry(const char*)
{
    Open(&menu.about);
    return true;
}

bool ThemePageEntry(const char*)
{
    Open(&menu.theme);
    return true;
}

bool VideoPageEntry(const char*)
{
    Open(&menu.video);
    return true;
}

bool ThemeEntry(const char* label)
{
    menu.reopen = &menu.theme;
    app.runState = RUN_RELOAD_THEME;
    return KV_ReplaceString(app.config, "THEME", label);
}

bool VideoEntry(const char* label)
{
    bool written;
    if (strcmp(label, "WINDOW") == 0) {
        written = KV_ReplaceString(app.config, "VIDEO", "window") && KV_ReplaceUInt(app.config, "ZOOM", 2);
    } else if (strncmp(label, "ZOOM", 4) == 0) {
        const char* number = label;
        while (*number != '\0' && *number != ' ') {
            number++;
        }
        while (*number == ' ') {
            number++;
        }
        written = KV_ReplaceUInt(app.config, "ZOOM", static_cast<uint32_t>(atoi(number)));
    } else {
        uint32_t w = 0;
        uint32_t h = 0;
        char mode[LABEL_SIZE];
        written = ParseMode(label, &w, &h);
        if (written) {
            snprintf(mode, sizeof mode, "%ux%u", w, h);
            uint32_t zoom = w / PICTURE_SIZE < h / PICTURE_SIZE ? w / PICTURE_SIZE : h / PICTURE_SIZE;
            zoom = zoom > 4 ? 4 : zoom;
            written = KV_ReplaceString(app.config, "VIDEO", mode) &&
                      KV_ReplaceUInt(app.config, "ZOOM", zoom);
        }
    }
    menu.reopen = &menu.video;
    app.runState = RUN_RESTART;
    return written;
}

bool InterpolationEntry(const char* label)
{
    char on[LABEL_SIZE];
    char off[LABEL_SIZE];
    snprintf(on, sizeof on, INTERPOLATION_LABEL, "on");
    snprintf(off, sizeof off, INTERPOLATION_LABEL, "off");
    // Any value but "on" is shown as "off" (and works as off), so choosing it switches on.
    const bool wasOn = strcmp(label, on) == 0;
    return RelabelEntry(label, wasOn ? off : on, menu.current) &&
           KV_ReplaceString(app.config, "INTERPOLATION", wasOn ? "off" : "on");
}

// Moves a "KEY: value" entry to the next value of the setting's cycle; a value outside the
// cycle stays as it is.
bool CycleEntry(const char* label, const char* prefix, const char* key, bool (*apply)(const char*))
{
    const size_t length = strlen(prefix);
    if (strncmp(label, prefix, length) != 0) {
        return true;
    }
    const char* next = NextSettingValue(key, label + length);
    if (next == nullptr) {
        return true;
    }
    char newLabel[LABEL_SIZE];
    snprintf(newLabel, sizeof newLabel, "%s%s", prefix, next);
    return RelabelEntry(label, newLabel, menu.current) && apply(next);
}

bool SetDifficulty(const char* value)
{
    return KV_ReplaceString(app.config, "DIFFICULTY", value);
}

bool VolumeEntry(const char* label)
{
    return CycleEntry(label, VOLUME_PREFIX, "VOLUME", ApplyVolume);
}

bool DifficultyEntry(const char* label)
{
    return CycleEntry(label, DIFFICULTY_PREFIX, "DIFFICULTY", SetDifficulty);
}

bool BuildMainPage()
{
    MenuPage* page = &menu.main;
    page->parent = nullptr;
    return AddEntry(page, "PLAY", PlayEntry) && AddEntry(page, "OPTIONS", OptionsEntry) &&
           AddEntry(page, "ABOUT", AboutEntry) && AddEntry(page, MENU_BACK_LABEL, QuitEntry);
}

bool BuildOptionsPage()
{
    MenuPage* page = &menu.options;
    char interpolation[LABEL_SIZE];
    char volume[LABEL_SIZE];
    char difficulty[LABEL_SIZE];
    snprintf(interpolation, sizeof interpolation, INTERPOLATION_LABEL,
             KV_IsString(app.config, "INTERPOLATION", "on") ? "on" : "off");
    snprintf(volume, sizeof volume, "%s%s", VOLUME_PREFIX, Setting("VOLUME"));
    snprintf(difficulty, sizeof difficulty, "%s%s", DIFFICULTY_PREFIX, Setting("DIFFICULTY"));
    return AddEntry(page, "THEME", ThemePageEntry) && AddEntry(page, "VIDEO", VideoPageEntry) &&
           AddEntry(page, interpolation, InterpolationEntry) &&
           AddEntry(page, volume, VolumeEntry) && AddEntry(page, difficulty, DifficultyEntry) &&
           AddEntry(page, MENU_BACK_LABEL, BackEntry);
}

bool BuildThemePage()
{
    MenuPage* page = &menu.theme;
    const char* configured = Setting("THEME");
    for (NODE_Node* node = app.themeNames.first; node != nullptr; node = node->next) {
        const auto* item = static_cast<const NODE_Item*>(node->data);
        if (strcmp(item->name, configured) != 0 && !AddEntry(page, item->name, ThemeEntry)) {
            return false;
        }
    }
    for (const char* special : {"<cycle>", "<random>"}) {
        if (strcmp(configured, special) != 0 && !AddEntry(page, special, ThemeEntry)) {
            return false;
        }
    }
    return AddEntry(page, MENU_BACK_LABEL, BackEntry);
}

uint32_t Zoom(uint32_t w, uint32_t h)
{
    uint32_t z = w / PICTURE_SIZE < h / PICTURE_SIZE ? w / PICTURE_SIZE : h / PICTURE_SIZE;
    return z > 4 ? 4 : z;
}

bool BuildModeEntries(MenuPage* page, const char* configured)
{
    if (app.fullscreenModes == nullptr) {
        for (uint32_t side = PICTURE_SIZE; side <= 4 * PICTURE_SIZE; side += PICTURE_SIZE) {
            char label[LABEL_SIZE];
            snprintf(label, sizeof label, "%ux%u", side, side);
            if (!AddEntry(page, label, VideoEntry)) {
                return false;
            }
        }
        return true;
    }
    uint32_t maxW = 0;
    uint32_t maxH = 0;
    for (SDL_Rect** mode = app.fullscreenModes; *mode != nullptr; mode++) {
        maxW = (*mode)->w > maxW ? (*mode)->w : maxW;
        maxH = (*mode)->h > maxH ? (*mode)->h : maxH;
    }
    // The smallest size with the largest mode's proportions that still holds the picture.
    bool haveReference = maxW > 254 && maxH > 254;
    uint32_t refW = 0;
    uint32_t refH = 0;
    if (haveReference) {
        if (maxW < maxH) {
            refW = PICTURE_SIZE;
            refH = maxH * PICTURE_SIZE / maxW;
        } else {
            refW = maxW * PICTURE_SIZE / maxH;
            refH = PICTURE_SIZE;
        }
    }
    char label[LABEL_SIZE];
    char size[24]; // two 10-digit numbers and the 'x'
    for (SDL_Rect** mode = app.fullscreenModes; *mode != nullptr; mode++) {
        const uint32_t w = (*mode)->w;
        const uint32_t h = (*mode)->h;
        snprintf(size, sizeof size, "%ux%u", w, h);
        if (w <= 254 || h <= 254 || strcmp(size, configured) == 0) {
            continue;
        }
        const char* marks = "";
        if (haveReference && w == refW && h == refH) {
            marks = " " MENU_MARK MENU_MARK MENU_MARK;
            haveReference = false;
        } else if (static_cast<uint64_t>(w) * maxH == static_cast<uint64_t>(h) * maxW) {
            marks = " " MENU_MARK MENU_MARK;
        }
        snprintf(label, sizeof label, "%s %ux%s", size, Zoom(w, h), marks);
        if (!AddEntry(page, label, VideoEntry)) {
            return false;
        }
    }
    if (haveReference && refW > 254 && refH > 254) {
        snprintf(size, sizeof size, "%ux%u", refW, refH);
        if (strcmp(size, configured) != 0) {
            snprintf(label, sizeof label, "%s %ux " MENU_MARK "\n", size, Zoom(refW, refH));
            if (!AddEntry(page, label, VideoEntry)) {
                return false;
            }
        }
    }
    return true;
}

bool BuildVideoPage()
{
    MenuPage* page = &menu.video;
    const char* configured = Setting("VIDEO");
    if (!BuildModeEntries(page, configured)) {
        return false;
    }
    const bool window = strcmp(configured, "window") == 0;
    if (!window && !AddEntry(page, "WINDOW", VideoEntry)) {
        return false;
    }
    uint32_t limitW = UINT32_MAX;
    uint32_t limitH = UINT32_MAX;
    uint32_t w = 0;
    uint32_t h = 0;
    if (ParseMode(configured, &w, &h)) {
        limitW = w;
        limitH = h;
    }
    uint32_t zoom = 0;
    if (!KV_GetUInt(app.config, "ZOOM", &zoom)) {
        zoom = 0;
    }
    for (uint32_t z = 1; z <= 4; z++) {
        if (z != zoom && PICTURE_SIZE * z <= limitW && PICTURE_SIZE * z <= limitH) {
            char label[LABEL_SIZE];
            snprintf(label, sizeof label, "%s %ux", "ZOOM", z);
            if (!AddEntry(page, label, VideoEntry)) {
                return false;
            }
        }
    }
    return AddEntry(page, MENU_BACK_LABEL, BackEntry);
}

void ReopenPage()
{
    MenuPage* page = menu.reopen;
    menu.reopen = nullptr;
    if (page != &menu.theme && page != &menu.video) {
        return;
    }
    if (!RotateTo(&menu.main, "OPTIONS")) {
        return;
    }
    Open(&menu.options);
    if (!RotateTo(&menu.options, page == &menu.theme ? "THEME" : "VIDEO")) {
        return;
    }
    Open(page);
}

bool RegisterKeys()
{
    for (MenuKey& key : menuKeys) {
        const char* name = nullptr;
        if (!KV_GetString(app.config, key.setting, &name) || name == nullptr) {
            return false;
        }
        key.record = DISP_AddKeyHandler(INP_KeyFromName(name), key.fn, 0);
        if (key.record == nullptr) {
            return false;
        }
    }
    menu.quitHandler = DISP_AddHandler(SDL_QUIT, QuitEvent, 0);
    return menu.quitHandler != nullptr;
}

void MoveSelection(int direction)
{
    menu.repeat--;
    if (menu.repeat == UINT16_MAX) {
        Play(SOUND_NAVIGATION);
        menu.repeat = MENU_REPEAT_STEPS;
        NODE_Rotate(&menu.current->entries, direction);
    }
}

void Choose()
{
    const NODE_Item* entry = FirstEntry(menu.current);
    if (entry != nullptr) {
        Play(SOUND_SELECTION);
        if (!HandlerOf(entry)(entry->name)) {
            app.runState = RUN_RESTART;
        }
    }
    menu.action = MENU_NONE;
}

void Back()
{
    Play(SOUND_SELECTION);
    menu.current = menu.current->parent;
    if (menu.current == nullptr) {
        app.runState = RUN_QUIT;
    }
    menu.action = MENU_NONE;
}

void DrawOutlined(TXT_Font* font, const char* text, int x, int y)
{
    DrawOutlinedText(font, app.fontOutline, text, x, y);
}

void DrawAbout()
{
    if (app.fontLabels == nullptr || app.fontChart == nullptr || app.fontOutline == nullptr) {
        return;
    }
    const int x = static_cast<int>(app.backBufferX) + 8;
    const int y0 = (app.logo != nullptr ? app.logo->h : 0) + 9;
    const int step = app.fontChart->largestHeight + 3;
    DrawOutlined(app.fontLabels, VERSION_TITLE, x, y0);
    const char* lines[16];
    const int count = AboutLines(lines, 16);
    for (int i = 0; i < count; i++) {
        DrawOutlined(app.fontChart, lines[i], x, y0 + (2 + i) * step);
    }
}

void DrawEntries()
{
    TXT_Font* font = app.fontMenu;
    if (font == nullptr || menu.current->entries.first == nullptr || menu.boxW <= 18) {
        return;
    }
    const int height = font->largestHeight;
    const int bottom = menu.boxH - 8;
    const int width = menu.boxW - 18;
    int y = 9;
    for (NODE_Node* node = menu.current->entries.first; node != nullptr && y + height < bottom;
         node = node->next) {
        const auto* entry = static_cast<const NODE_Item*>(node->data);
        const bool blinkedOut = node == menu.current->entries.first && frameCounter % 30 < 11;
        if (!blinkedOut) {
            const int x = menu.boxX + 9;
            if (TXT_TextWidth(font, entry->name, 1) > width) {
                TXT_DrawSpread(font, entry->name, app.backBuffer, x, menu.boxY + y, width);
            } else {
                TXT_DrawText(font, entry->name, 1, app.backBuffer, x, menu.boxY + y);
            }
        }
        y += height + 3;
    }
}

} // namespace

bool RelabelEntry(const char* oldLabel, const char* newLabel, MenuPage* page)
{
    if (page == nullptr || oldLabel == nullptr || newLabel == nullptr) {
        return false;
    }
    NODE_Item* old = NODE_FindItem(oldLabel, &page->entries);
    if (old == nullptr) {
        return false;
    }
    NODE_Item* item = NODE_NewItem(newLabel, old->value);
    if (item == nullptr) {
        return false;
    }
    NODE_InsertItemAfter(item, old);
    NODE_FreeItem(old);
    return true;
}

bool BuildMenu()
{
    // Whatever an earlier build left (a loop that skipped the tear-down) must not leak or
    // stay registered.
    TearDownMenu();
    menu.quitHandler = nullptr;
    app.runState = RUN_MENU;
    for (MenuKey& key : menuKeys) {
        key.record = nullptr;
    }
    menu.action = MENU_NONE;
    menu.current = nullptr;

    const char* box = nullptr;
    unsigned x = 0;
    unsigned y = 0;
    unsigned w = 0;
    unsigned h = 0;
    if (!KV_GetString(app.descriptor, "MENU", &box) || box == nullptr ||
        sscanf(box, "%u %u %u %u", &x, &y, &w, &h) != 4) {
        return false;
    }
    menu.boxX = static_cast<uint16_t>(app.backBufferX + x);
    menu.boxY = static_cast<uint16_t>(y);
    menu.boxW = static_cast<uint16_t>(w);
    menu.boxH = static_cast<uint16_t>(h);

    if (!BuildMainPage() || !BuildOptionsPage()) {
        return false;
    }
    menu.about.parent = nullptr;
    if (!AddEntry(&menu.about, MENU_BACK_LABEL, BackEntry) || !BuildThemePage() ||
        !BuildVideoPage()) {
        return false;
    }
    menu.current = &menu.main;
    ReopenPage();
    return RegisterKeys();
}

void RunMenu()
{
    TXT_RunFrames(20, MenuDraw, MenuStep);
}

void TearDownMenu()
{
    DISP_RemoveHandler(menu.quitHandler);
    menu.quitHandler = nullptr;
    for (MenuKey& key : menuKeys) {
        DISP_RemoveKeyHandler(key.record);
        key.record = nullptr;
    }
    for (MenuPage* page : {&menu.video, &menu.theme, &menu.about, &menu.options, &menu.main}) {
        NODE_FreeAllItems(&page->entries);
        page->parent = nullptr;
        if (menu.current == page) {
            menu.current = nullptr;
        }
    }
    menu.current = nullptr;
}

int MenuStep()
{
    AnimateBackdrop();
    if (menu.current == nullptr) {
        return 1;
    }
    DISP_PollAll();
    // A close request in the same frame as a key wins over whatever the key would choose.
    if (app.runState == RUN_QUIT) {
        return 0;
    }
    switch (menu.action) {
    case MENU_DOWN:
        MoveSelection(0);
        break;
    case MENU_UP:
        MoveSelection(1);
        break;
    case MENU_CHOOSE:
        Choose();
        break;
    case MENU_BACK:
        Back();
        break;
    default:
        break;
    }
    return app.runState == RUN_MENU;
}

void MenuDraw()
{
    DrawBackdrop();
    if (menu.current == &menu.about) {
        DrawAbout();
    } else if (menu.current != nullptr) {
        DrawChart();
        const SDL_Rect box{static_cast<int16_t>(menu.boxX), static_cast<int16_t>(menu.boxY),
                           menu.boxW, menu.boxH};
        if (app.menuFrame != nullptr) {
            PIX_DrawFrame(app.menuFrame, app.backBuffer, &box);
        }
        DrawEntries();
    }
    if (app.present != nullptr) {
        app.present();
    }
}

int AboutLines(const char* lines[], int capacity)
{
    static char themeLine[LABEL_SIZE * 2];
    const char* legal = nullptr;
    if (!KV_GetString(app.descriptor, "LEGAL_INFORMATION", &legal) || legal == nullptr) {
        legal = "";
    }
    snprintf(themeLine, sizeof themeLine, "theme %s", legal);
    const char* all[] = {
        "ZAF (c) 2026 the ZAF team",
        "",
        "uses (see the documentation):",
        "SDL: Sam Lantinga & contributors",
        "SDL_mixer: Sam Lantinga,",
        "Stephane Peter, Ryan Gordon",
        "libogg, libvorbis, libvorbisfile:",
        "Xiph.Org Foundation",
        "",
        themeLine,
        "",
        "website & email:",
        "none published: see README.md",
        "none published",
    };
    int count = 0;
    for (const char* line : all) {
        if (count == capacity) {
            break;
        }
        lines[count++] = line;
    }
    return count;
}
