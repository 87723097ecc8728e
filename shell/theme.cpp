#include "shell/theme.h"

#include <SDL.h>
#include <SDL_mixer.h>
#include <sys/stat.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "game/chart.h"
#include "shell/app.h"
#include "shell/paths.h"
#include "shell/audio.h"
#include "toolkit/gfx/font.h"
#include "toolkit/gfx/pix.h"
#include "util/kv.h"
#include "util/mem.h"
#include "util/node.h"
#include "util/tools.h"

namespace {

constexpr const char* defaultTheme = "default";
constexpr int32_t pictureKey = 0x808081;
constexpr uint32_t objectFramesNeeded = OBJECT_FRAMES;
constexpr uint32_t spriteFramesNeeded = 69;
enum { PATH_SIZE = 1024, NAME_SIZE = 256 };

constexpr const char* soundFiles[SOUND_COUNT] = {
    "congratulations.ogg", "decelerator-G.ogg", "decelerator-U.ogg", "expansion-G.ogg",
    "freezer-G.ogg",       "freezer-U.ogg",     "game_over.ogg",     "inverter-G.ogg",
    "inverter-U.ogg",      "laser-G.ogg",       "laser-U.ogg",       "magnet-G.ogg",
    "magnet-U.ogg",        "miss.ogg",          "movement.ogg",      "navigation.ogg",
    "nuke-G.ogg",          "nuke-U.ogg",        "kickback-G.ogg",    "kickback-U.ogg",
    "pointer-G.ogg",       "selection.ogg",     "shot.ogg",          "speed-up-G.ogg",
    "zap.ogg",
};

constexpr KV_Pair descriptorKeys[] = {
    {"LEGAL_INFORMATION", nullptr}, {"BACKGROUND", nullptr},   {"MENU", nullptr},
    {"CHART", nullptr},             {"FONT.MENU", nullptr},    {"FONT.LABELS", nullptr},
    {"FONT.CHART", nullptr},        {"FONT.STATUS", nullptr},  {"FONT.OUTLINE", nullptr},
    {"OBJECT.SLOW", nullptr},       {"OBJECT.NORMAL", nullptr}, {"OBJECT.FAST", nullptr},
    {"OBJECT.SWIFT", nullptr},      {"BEAMS.CATCHER", nullptr}, {"BEAMS.FREEZER", nullptr},
    {nullptr, nullptr},
};

constexpr const char* objectTintKeys[OBJECT_CLASSES] = {"OBJECT.SLOW", "OBJECT.NORMAL",
                                                        "OBJECT.FAST", "OBJECT.SWIFT"};

// Kept apart from the theme slots, which every load and free clears: "<cycle>" and
// "<random>" move on from it, across restarts too.
char currentTheme[NAME_SIZE];

bool FileExists(const char* path)
{
    return AUX_CheckFile(path) == AUX_FILE_READABLE;
}

bool SetCurrentTheme(const char* name)
{
    if (std::strlen(name) >= sizeof(currentTheme)) {
        return false;
    }
    std::strcpy(currentTheme, name);
    return true;
}

// The name of the theme THEME asks for now.
const char* ChooseTheme()
{
    const char* wanted = nullptr;
    if (!KV_GetString(app.config, "THEME", &wanted)) {
        return defaultTheme;
    }
    const uint32_t count = NODE_Count(&app.themeNames);
    if (std::strcmp(wanted, "<cycle>") == 0) {
        const int32_t index =
            currentTheme[0] != '\0' ? NODE_ItemIndex(currentTheme, &app.themeNames) : -1;
        if (index < 0 || count == 0) {
            return defaultTheme;
        }
        return NODE_GetItem(&app.themeNames, (static_cast<uint32_t>(index) + 1) % count)->name;
    }
    if (std::strcmp(wanted, "<random>") == 0) {
        if (count == 0) {
            return defaultTheme;
        }
        NODE_Item* item = NODE_GetItem(&app.themeNames, static_cast<uint32_t>(rand()) % count);
        while (currentTheme[0] != '\0' && count > 1 && std::strcmp(item->name, currentTheme) == 0) {
            item = NODE_GetItem(&app.themeNames, static_cast<uint32_t>(rand()) % count);
        }
        return item->name;
    }
    return wanted;
}

// The folder of theme `name` with a trailing '/': the player's own when there is one, else
// the program's. False when neither holds a folder of that name.
bool ThemeFolder(const char* name, char* path)
{
    if (name[0] == '\0' || std::strchr(name, '/') != nullptr || app.folders == nullptr) {
        return false;
    }
    for (const char* root : app.folders->themes) {
        struct stat folder {};
        const int length = std::snprintf(path, PATH_SIZE, "%s%s/", root, name);
        if (root[0] != '\0' && length > 0 && length < PATH_SIZE && stat(path, &folder) == 0 &&
            S_ISDIR(folder.st_mode)) {
            return true;
        }
    }
    return false;
}

bool FileInTheme(const char* name, const char* file, char* path)
{
    char folder[PATH_SIZE];
    struct stat info {};
    if (!ThemeFolder(name, folder)) {
        return false;
    }
    const int length = std::snprintf(path, PATH_SIZE, "%s%s", folder, file);
    return length > 0 && length < PATH_SIZE && stat(path, &info) == 0 && S_ISREG(info.st_mode);
}

// The file from the theme, else from "default"; false when neither has it.
bool FindFile(const char* file, char* path)
{
    return FileInTheme(currentTheme, file, path) || FileInTheme(defaultTheme, file, path);
}

// "x.c.bmp" has its optional mask in "x.a.bmp"; false for other names.
bool MaskPath(const char* path, char* mask)
{
    const size_t length = std::strlen(path);
    if (length <= 6 || std::strcmp(path + length - 6, ".c.bmp") != 0) {
        return false;
    }
    std::memcpy(mask, path, length + 1);
    mask[length - 5] = 'a';
    return true;
}

bool ReadTint(const char* key, int32_t tint[3])
{
    const char* value = nullptr;
    if (!KV_GetString(app.descriptor, key, &value)) {
        return false;
    }
    int r = 0;
    int g = 0;
    int b = 0;
    if (std::sscanf(value, "%d %d %d", &r, &g, &b) != 3) {
        return false;
    }
    tint[0] = r;
    tint[1] = g;
    tint[2] = b;
    return true;
}

TXT_Font* LoadFontFrom(const char* colour, const char* mask)
{
    const SDL_PixelFormat* format = app.screen->format;
    const bool hasMask = FileExists(mask);
    if (hasMask && FileExists(colour)) {
        return TXT_LoadFont(colour, mask, -1, -1, format, 0, TXT_ThemeCharSet.data());
    }
    if (hasMask) {
        // The mask alone: its own indices give the glyphs' shape, drawn white.
        TXT_Font* font = TXT_LoadFont(mask, mask, -1, -1, format, 0, TXT_ThemeCharSet.data());
        if (font != nullptr) {
            PIX_ReplaceColour(font->picture, 0x000000, 0x000000, 0xFFFFFF);
        }
        return font;
    }
    return TXT_LoadFont(colour, nullptr, -1, pictureKey, format, 0, TXT_ThemeCharSet.data());
}

bool LoadBaseFont()
{
    char colour[PATH_SIZE];
    char mask[PATH_SIZE];
    char folder[PATH_SIZE];
    if (ThemeFolder(currentTheme, folder) &&
        std::snprintf(colour, PATH_SIZE, "%sfont.c.bmp", folder) < PATH_SIZE &&
        std::snprintf(mask, PATH_SIZE, "%sfont.a.bmp", folder) < PATH_SIZE) {
        app.baseFont = LoadFontFrom(colour, mask);
    }
    if (app.baseFont == nullptr && FindFile("font.c.bmp", colour) && MaskPath(colour, mask)) {
        app.baseFont = LoadFontFrom(colour, mask);
    }
    return app.baseFont != nullptr;
}

TXT_Font* TintedFont(const char* key)
{
    int32_t tint[3];
    if (!ReadTint(key, tint)) {
        return nullptr;
    }
    TXT_Font* font = TXT_CopyFont(app.baseFont);
    if (font == nullptr) {
        return nullptr;
    }
    SDL_Surface* picture = PIX_Reformat(font->picture, app.backBuffer->format);
    if (picture == nullptr) {
        TXT_FreeFont(font);
        return nullptr;
    }
    font->picture = picture;
    PIX_TintKeyed(picture, tint[0], tint[1], tint[2]);
    return font;
}

bool LoadFonts()
{
    struct Slot {
        const char* key;
        TXT_Font** font;
    };
    const Slot slots[] = {
        {"FONT.MENU", &app.fontMenu},     {"FONT.LABELS", &app.fontLabels},
        {"FONT.CHART", &app.fontChart},   {"FONT.STATUS", &app.fontStatus},
        {"FONT.OUTLINE", &app.fontOutline},
    };
    for (const Slot& slot : slots) {
        *slot.font = TintedFont(slot.key);
        if (*slot.font == nullptr) {
            return false;
        }
    }
    TXT_FreeFont(app.baseFont);
    app.baseFont = nullptr;
    return true;
}

SDL_Surface* LoadPicture(const char* file, uint32_t flags)
{
    char path[PATH_SIZE];
    char mask[PATH_SIZE];
    if (!FindFile(file, path)) {
        return nullptr;
    }
    if (MaskPath(path, mask) && FileExists(mask)) {
        return PIX_LoadBMP(path, mask, -1, -1, nullptr, flags);
    }
    return PIX_LoadBMP(path, nullptr, -1, pictureKey, nullptr, flags);
}

PIX_Image* LoadFrames(const char* file, uint32_t flags, uint32_t framesNeeded)
{
    char path[PATH_SIZE];
    char mask[PATH_SIZE];
    if (!FindFile(file, path)) {
        return nullptr;
    }
    PIX_Image* image = nullptr;
    if (MaskPath(path, mask) && FileExists(mask)) {
        image = PIX_LoadImage(path, mask, -1, -1, nullptr, flags);
    } else {
        image = PIX_LoadImage(path, nullptr, -1, pictureKey, nullptr, flags);
    }
    if (image != nullptr && image->frameCount < framesNeeded) {
        PIX_ReleaseImage(image);
        return nullptr;
    }
    return image;
}

bool LoadSounds()
{
    // Without a sound device the game plays silently: no sound is needed then.
    if (!AUDIO_IsOpen()) {
        return true;
    }
    char path[PATH_SIZE];
    for (int i = 0; i < SOUND_COUNT; ++i) {
        if (!FindFile(soundFiles[i], path) || !MEM_Allow()) {
            return false;
        }
        SDL_RWops* source = SDL_RWFromFile(path, "rb");
        if (source == nullptr) {
            return false;
        }
        app.sounds[i] = Mix_LoadWAV_RW(source, 1);
        if (app.sounds[i] == nullptr) {
            return false;
        }
    }
    return true;
}

// The chart cannot be laid out without it; the player's chart must not pay for that.
bool ChartPlaceReadable()
{
    const char* place = nullptr;
    unsigned x = 0;
    unsigned y = 0;
    return KV_GetString(app.descriptor, "CHART", &place) && ParseChartPlace(place, &x, &y);
}

// Loads the current theme in its fixed order; on false, part of it may be loaded.
bool LoadCurrentTheme()
{
    char path[PATH_SIZE];
    // Only a folder of a themes folder is a theme, however much "default" could lend it.
    if (!ThemeFolder(currentTheme, path) || !FindFile("descriptor.txt", path)) {
        return false;
    }
    app.descriptor = KV_Open(path, descriptorKeys, 0, nullptr);
    if (app.descriptor == nullptr || !ChartPlaceReadable() || !LoadBaseFont() || !LoadFonts()) {
        return false;
    }
    app.logo = LoadPicture("logo.c.bmp", SDL_RLEACCEL);
    if (app.logo == nullptr) {
        return false;
    }
    app.menuTemplate = LoadPicture("template.c.bmp", 0);
    if (app.menuTemplate == nullptr) {
        return false;
    }
    app.menuFrame = PIX_NewFrame(app.menuTemplate, 8, 8, 8, 8);
    if (app.menuFrame == nullptr) {
        return false;
    }
    app.field = LoadPicture("field.c.bmp", 0);
    if (app.field == nullptr) {
        return false;
    }
    SDL_SetColorKey(app.field, 0, 0);
    app.objectsImage = LoadFrames("objects.c.bmp", SDL_RLEACCEL, objectFramesNeeded);
    if (app.objectsImage == nullptr) {
        return false;
    }
    app.spritesImage = LoadFrames("sprites.c.bmp", SDL_RLEACCEL, spriteFramesNeeded);
    return app.spritesImage != nullptr && LoadSounds();
}

void ClearThemeSlots()
{
    app.descriptor = nullptr;
    app.fontMenu = app.fontLabels = app.fontChart = app.fontStatus = app.fontOutline = nullptr;
    app.baseFont = nullptr;
    app.logo = app.menuTemplate = app.field = nullptr;
    app.menuFrame = nullptr;
    app.objectsImage = app.spritesImage = nullptr;
    for (Mix_Chunk*& sound : app.sounds) {
        sound = nullptr;
    }
}

} // namespace

const char* CurrentThemeName()
{
    return currentTheme;
}

void ForgetCurrentTheme()
{
    currentTheme[0] = '\0';
}

bool LoadTheme()
{
    ClearThemeSlots();
    // A name too long to be a folder's cannot load: it goes the way of any other failure.
    if (!SetCurrentTheme(ChooseTheme())) {
        currentTheme[0] = '\0';
    }
    while (!LoadCurrentTheme()) {
        FreeTheme();
        if (std::strcmp(currentTheme, defaultTheme) == 0) {
            return false;
        }
        // Failing that, the file keeps "default" with the other settings.
        (void)KV_ReplaceString(app.config, "THEME", defaultTheme);
        (void)SetCurrentTheme(defaultTheme);
    }
    return true;
}

void FreeTheme()
{
    // The mixer's channels are gone once the device is closed; so are their sounds.
    if (Mix_QuerySpec(nullptr, nullptr, nullptr) != 0) {
        AUDIO_Halt(-1);
    }
    for (Mix_Chunk*& sound : app.sounds) {
        if (sound != nullptr) {
            Mix_FreeChunk(sound);
            sound = nullptr;
        }
    }
    PIX_ReleaseImage(app.spritesImage);
    PIX_ReleaseImage(app.objectsImage);
    if (app.field != nullptr) {
        SDL_FreeSurface(app.field);
    }
    PIX_FreeFrame(app.menuFrame);
    if (app.menuTemplate != nullptr) {
        SDL_FreeSurface(app.menuTemplate);
    }
    if (app.logo != nullptr) {
        SDL_FreeSurface(app.logo);
    }
    TXT_FreeFont(app.fontMenu);
    TXT_FreeFont(app.fontLabels);
    TXT_FreeFont(app.fontChart);
    TXT_FreeFont(app.fontStatus);
    TXT_FreeFont(app.fontOutline);
    TXT_FreeFont(app.baseFont);
    if (app.descriptor != nullptr && !KV_Close(app.descriptor)) {
        KV_Dispose(app.descriptor);
    }
    ClearThemeSlots();
}

bool BuildObjectPictures()
{
    FreeObjectPictures();
    if (app.objectsImage == nullptr || app.objectsImage->frameCount < objectFramesNeeded ||
        app.rotationSource == nullptr || app.backBuffer == nullptr) {
        return false;
    }
    SDL_Surface** frames = app.objectsImage->frames;
    app.objectSize = static_cast<uint32_t>(frames[0]->w);
    app.objectHalfSize = app.objectSize / 2;
    for (int c = 0; c < OBJECT_CLASSES; ++c) {
        int32_t tint[3];
        if (!ReadTint(objectTintKeys[c], tint)) {
            return false;
        }
        for (int f = 0; f < OBJECT_FRAMES; ++f) {
            SDL_Surface** slots[2] = {&app.objectsSource[c][f], &app.objectsBack[c][f]};
            const SDL_PixelFormat* formats[2] = {app.rotationSource->format, app.backBuffer->format};
            for (int t = 0; t < 2; ++t) {
                SDL_Surface* copy = PIX_Duplicate(frames[f], 0);
                if (copy == nullptr) {
                    return false;
                }
                SDL_Surface* picture = PIX_Reformat(copy, formats[t]);
                if (picture == nullptr) {
                    SDL_FreeSurface(copy);
                    return false;
                }
                PIX_TintKeyed(picture, tint[0], tint[1], tint[2]);
                *slots[t] = picture;
            }
        }
    }
    return true;
}

void FreeObjectPictures()
{
    for (int c = 0; c < OBJECT_CLASSES; ++c) {
        for (int f = 0; f < OBJECT_FRAMES; ++f) {
            for (SDL_Surface** slot : {&app.objectsSource[c][f], &app.objectsBack[c][f]}) {
                if (*slot != nullptr) {
                    SDL_FreeSurface(*slot);
                    *slot = nullptr;
                }
            }
        }
    }
}
