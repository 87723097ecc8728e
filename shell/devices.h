// Input beyond the keyboard: a gamepad and the mouse reach every screen as the key events of
// the configured keys, the mouse turns the arena as a spinner during play, and Alt+Enter or
// F11 switch between the window and full screen at any moment.
//
// It works as the event module's translator (toolkit/gfx/disp.h), so the screens see only
// key events and need no code of their own for the devices. Joystick events count only from
// the joystick opened here; anything else of that kind is dropped. Depends on `app.config`
// for the key names and MOUSE, and on the video module for the grab and the full-screen
// switch. Main thread only.
#pragma once

#include <SDL.h>

#include <cstdint>

// Start-up, once SDL and the event module are up: asks sdl12-compat for game controllers in
// the standard layout (unless the player set SDL12COMPAT_USE_GAME_CONTROLLERS), turns
// joystick events on and opens the first joystick with at least 2 axes or a hat and at
// least 4 buttons. Installs the translator in every case; no joystick is no error.
void OpenDevices();
// Before SDL_Quit: closes the joystick and removes the translator.
void CloseDevices();

// The joystick index whose events count, -1 when none. A test that has no joystick declares
// the index its pushed events carry; -1 forgets the gamepad as when it disappears. Either
// way every action the gamepad held is let go (key releases are queued).
[[nodiscard]] int GamepadIndex();
void DeclareGamepad(int index);

// Grabs and hides the pointer and starts collecting spinner motion (only when MOUSE is "on");
// off releases the pointer and forgets what motion was left. The game holds it during play.
void CaptureSpinner(bool on);
[[nodiscard]] bool SpinnerCaptured();
// The turn (angle units, positive as KEY.LEFT turns) the mouse asks of this frame, kept
// within [low, high]; what is beyond stays for the next frames.
[[nodiscard]] int32_t TakeSpinnerTurn(int32_t low, int32_t high);

// The translator itself (the event module calls it; tests call it directly).
int TranslateDeviceEvent(const SDL_Event* event, SDL_Event* out, int capacity);

// Stick positions beyond PRESS from the centre press a direction; it is let go only once the
// stick comes back within RELEASE, so a stick resting near the edge never flickers.
enum : int32_t {
    STICK_PRESS = 16000,
    STICK_RELEASE = 10000,
    // At most a full turn of mouse motion waits to be turned.
    SPINNER_BACKLOG = 1024,
};
