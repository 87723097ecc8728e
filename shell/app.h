// The program record: the one place where the shell keeps what every screen of the game
// reads (run state, settings, the loaded theme, the display). One static instance, `app`,
// zero at program load; the theme and display fields are none while nothing is loaded.
//
// Only the entry loops, the menu and the game write `runState`; everything else here is
// written by the shell's own modules (settings, theme, video) and read by the rest.
#pragma once

#include <SDL.h>
#include <SDL_mixer.h>
#include <cstdint>

#include "util/node.h"

struct Folders;
struct KV_Store;
struct TXT_Font;
struct PIX_Image;
struct PIX_Frame;

// The values of `App::runState`; every loop compares against these.
enum RunState : uint8_t {
    RUN_QUIT = 0,         // leave every loop and end the program
    RUN_RESTART = 1,      // shut everything down, then start again from the settings file
    RUN_RELOAD_THEME = 2, // leave the menu loop, free the theme and load a theme again
    RUN_MENU = 3,         // stay in the menu loop (show the menu again)
    RUN_PLAY = 4,         // the menu was left to play a game
};

// The theme's sounds, in the order their files are loaded; index into `App::sounds`.
enum SoundIndex {
    SOUND_CONGRATULATIONS,
    SOUND_DECELERATOR_G,
    SOUND_DECELERATOR_U,
    SOUND_EXPANSION_G,
    SOUND_FREEZER_G,
    SOUND_FREEZER_U,
    SOUND_GAME_OVER,
    SOUND_INVERTER_G,
    SOUND_INVERTER_U,
    SOUND_LASER_G,
    SOUND_LASER_U,
    SOUND_MAGNET_G,
    SOUND_MAGNET_U,
    SOUND_MISS,
    SOUND_MOVEMENT,
    SOUND_NAVIGATION,
    SOUND_NUKE_G,
    SOUND_NUKE_U,
    SOUND_KICKBACK_G,
    SOUND_KICKBACK_U,
    SOUND_POINTER_G,
    SOUND_SELECTION,
    SOUND_SHOT,
    SOUND_SPEED_UP_G,
    SOUND_ZAP,
    SOUND_COUNT
};

// Speed classes of the objects; the first index of the object picture tables.
enum { OBJECT_CLASSES = 4, OBJECT_FRAMES = 6 };

// Side of the square picture everything is drawn into, and of the field's rotation source.
enum { PICTURE_SIZE = 255, ROTATION_SOURCE_SIZE = 383 };

using PresentFn = void (*)();

struct App {
    uint8_t runState;

    // Where the themes, "configuration.txt" and "chart.raw" are; set for the whole run.
    const Folders* folders;

    // Settings and theme names; live for one pass of the restart loop.
    NODE_List themeNames; // one named item per entry of the themes folder, sorted
    KV_Store* config;     // "configuration.txt"

    // The loaded theme; none outside a theme's load and free.
    KV_Store* descriptor; // the theme's "descriptor.txt"
    TXT_Font* fontMenu;
    TXT_Font* fontLabels;
    TXT_Font* fontChart;
    TXT_Font* fontStatus;
    TXT_Font* fontOutline;
    TXT_Font* baseFont; // only while the theme loads
    SDL_Surface* logo;
    SDL_Surface* menuTemplate; // the picture `menuFrame` is cut from; owned here
    PIX_Frame* menuFrame;
    SDL_Surface* field;
    PIX_Image* objectsImage;
    PIX_Image* spritesImage;
    Mix_Chunk* sounds[SOUND_COUNT];

    // The tinted object pictures per speed class and frame: one table in the rotation
    // source's format (composed into the field), one in the back buffer's format.
    SDL_Surface* objectsSource[OBJECT_CLASSES][OBJECT_FRAMES];
    SDL_Surface* objectsBack[OBJECT_CLASSES][OBJECT_FRAMES];
    uint32_t objectSize;     // width of frame 0 of `objectsImage`
    uint32_t objectHalfSize; // objectSize / 2

    // The display; read-only outside the video module.
    SDL_Surface* screen;         // 32 bits per pixel; released by SDL_Quit
    SDL_Surface* backBuffer;     // 255 x 255 picture; the screen itself at zoom 1
    SDL_Surface* rotationSource; // 383 x 383, masks R 0xFF0000, G 0xFF00, B 0xFF, A 0xFF000000
    uint32_t backBufferX;        // left edge of the picture inside backBuffer
    uint32_t centreX;            // backBufferX + 127
    PresentFn present;           // puts the back buffer on the screen and updates it
    SDL_Rect** fullscreenModes;  // SDL's full-screen modes; none when SDL allows any or none
    uint32_t zoom;               // 1 to 4
    uint32_t screenX;            // left edge of the magnified picture on the screen
    uint32_t screenY;            // top edge of it: always 0
    uint32_t redShift;
    uint32_t greenShift;
    uint32_t blueShift;

    // The running game's points, reset at the start of every game.
    uint32_t points;
};

extern App app;
