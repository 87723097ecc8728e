#include "shell/devices.h"

#include <cstdlib>
#include <initializer_list>

#include "shell/app.h"
#include "shell/settings.h"
#include "shell/video.h"
#include "toolkit/gfx/disp.h"
#include "toolkit/ui/inp.h"
#include "util/kv.h"

namespace {

// Indexes into actionKeys, as bits of the held masks below.
enum Action : uint32_t {
    ACT_UP,
    ACT_DOWN,
    ACT_LEFT,
    ACT_RIGHT,
    ACT_BUTTON1,
    ACT_BUTTON2,
    ACT_BUTTON3,
    ACT_PAUSE,
    ACT_QUIT,
};

constexpr uint32_t Bit(Action action)
{
    return 1u << action;
}

// The buttons of sdl12-compat's standard controller layout.
struct ButtonAction {
    uint8_t button;
    Action action;
};
constexpr ButtonAction padButtons[] = {
    {0, ACT_BUTTON1}, // A
    {1, ACT_BUTTON2}, // B
    {2, ACT_BUTTON3}, // X
    {4, ACT_QUIT},    // Back
    {6, ACT_PAUSE},   // Start
    {11, ACT_UP},     // the d-pad, when it comes as buttons
    {12, ACT_DOWN},
    {13, ACT_LEFT},
    {14, ACT_RIGHT},
};

struct Pad {
    SDL_Joystick* joystick; // opened here; none when the index was declared
    int index;
    // What each source holds; an action is held while any source holds it.
    uint32_t hat;
    uint32_t stick;
    uint32_t buttons;
};

Pad pad{nullptr, -1, 0, 0, 0};
bool captured = false;
int32_t spinnerBacklog = 0;
// The key of a window-switching press whose release must not reach the screens either.
uint32_t swallowedKey = 0;

uint32_t Held()
{
    return pad.hat | pad.stick | pad.buttons;
}

uint32_t ConfiguredKey(Action action)
{
    const char* name = nullptr;
    if (app.config == nullptr || !KV_GetString(app.config, actionKeys[action], &name) || name == nullptr) {
        return 0;
    }
    return INP_KeyFromName(name);
}

SDL_Event KeyEvent(Action action, bool down)
{
    SDL_Event event{};
    event.type = down ? SDL_KEYDOWN : SDL_KEYUP;
    event.key.type = event.type;
    event.key.state = down ? SDL_PRESSED : SDL_RELEASED;
    event.key.keysym.sym = static_cast<SDLKey>(ConfiguredKey(action));
    return event;
}

// The key events that take the held actions from `before` to `after`: releases first, so
// that a direction reversed in one event lets go of the old one before the new one presses.
int Changes(uint32_t before, uint32_t after, SDL_Event* out, int capacity)
{
    int count = 0;
    for (bool down : {false, true}) {
        for (uint32_t a = 0; a < ACTION_KEY_COUNT && count < capacity; ++a) {
            const uint32_t bit = 1u << a;
            const bool was = (before & bit) != 0;
            const bool is = (after & bit) != 0;
            if (was != is && is == down) {
                out[count++] = KeyEvent(static_cast<Action>(a), down);
            }
        }
    }
    return count;
}

// One axis with hysteresis: the direction it holds of the pair (negative, positive).
uint32_t AxisHolds(uint32_t holding, int32_t value, Action negative, Action positive)
{
    const uint32_t neg = Bit(negative);
    const uint32_t pos = Bit(positive);
    if ((holding & neg) != 0 && value <= -STICK_RELEASE) {
        return neg;
    }
    if ((holding & pos) != 0 && value >= STICK_RELEASE) {
        return pos;
    }
    if (value <= -STICK_PRESS) {
        return neg;
    }
    return value >= STICK_PRESS ? pos : 0;
}

uint32_t HatHolds(uint8_t hat)
{
    return ((hat & SDL_HAT_UP) != 0 ? Bit(ACT_UP) : 0) | ((hat & SDL_HAT_DOWN) != 0 ? Bit(ACT_DOWN) : 0) |
           ((hat & SDL_HAT_LEFT) != 0 ? Bit(ACT_LEFT) : 0) | ((hat & SDL_HAT_RIGHT) != 0 ? Bit(ACT_RIGHT) : 0);
}

// Updates the pad's sources by one of its events; false for an event that changes nothing
// the game uses.
bool ApplyPadEvent(const SDL_Event* event)
{
    switch (event->type) {
    case SDL_JOYAXISMOTION: {
        const SDL_JoyAxisEvent& axis = event->jaxis;
        if (axis.axis == 0) {
            const uint32_t kept = pad.stick & ~(Bit(ACT_LEFT) | Bit(ACT_RIGHT));
            pad.stick = kept | AxisHolds(pad.stick, axis.value, ACT_LEFT, ACT_RIGHT);
        } else if (axis.axis == 1) {
            const uint32_t kept = pad.stick & ~(Bit(ACT_UP) | Bit(ACT_DOWN));
            pad.stick = kept | AxisHolds(pad.stick, axis.value, ACT_UP, ACT_DOWN);
        } else {
            return false;
        }
        return true;
    }
    case SDL_JOYHATMOTION:
        if (event->jhat.hat != 0) {
            return false;
        }
        pad.hat = HatHolds(event->jhat.value);
        return true;
    case SDL_JOYBUTTONDOWN:
    case SDL_JOYBUTTONUP:
        for (const ButtonAction& row : padButtons) {
            if (row.button == event->jbutton.button) {
                if (event->type == SDL_JOYBUTTONDOWN) {
                    pad.buttons |= Bit(row.action);
                } else {
                    pad.buttons &= ~Bit(row.action);
                }
                return true;
            }
        }
        return false;
    default:
        return false;
    }
}

int TranslatePad(const SDL_Event* event, SDL_Event* out, int capacity)
{
    // In SDL 1.2 every joystick event names its device in the same place.
    if (pad.index < 0 || event->jaxis.which != pad.index) {
        return 0;
    }
    const uint32_t before = Held();
    if (!ApplyPadEvent(event)) {
        return 0;
    }
    return Changes(before, Held(), out, capacity);
}

bool MouseOn()
{
    return app.config != nullptr && KV_IsString(app.config, "MOUSE", "on");
}

int TranslateMouseButton(const SDL_Event* event, SDL_Event* out)
{
    const Action actions[] = {ACT_BUTTON1, ACT_BUTTON2, ACT_BUTTON3};
    const uint8_t button = event->button.button;
    if (button < SDL_BUTTON_LEFT || button > SDL_BUTTON_RIGHT) {
        return 0;
    }
    out[0] = KeyEvent(actions[button - SDL_BUTTON_LEFT], event->type == SDL_MOUSEBUTTONDOWN);
    return 1;
}

uint32_t KeyOf(const SDL_Event* event)
{
    return static_cast<uint32_t>(event->key.keysym.sym);
}

// F11 switches unless the player gave it to an action.
bool IsSwitchKey(const SDL_Event* event)
{
    const uint32_t key = KeyOf(event);
    if (key == SDLK_RETURN) {
        return (event->key.keysym.mod & KMOD_ALT) != 0;
    }
    if (key != SDLK_F11) {
        return false;
    }
    for (uint32_t a = 0; a < ACTION_KEY_COUNT; ++a) {
        if (ConfiguredKey(static_cast<Action>(a)) == SDLK_F11) {
            return false;
        }
    }
    return true;
}

void Forget()
{
    pad.hat = 0;
    pad.stick = 0;
    pad.buttons = 0;
}

// Queues the releases of whatever the pad holds, so that nothing stays pressed once it is
// gone.
void LetGo()
{
    SDL_Event releases[ACTION_KEY_COUNT];
    const int count = Changes(Held(), 0, releases, ACTION_KEY_COUNT);
    Forget();
    if (SDL_WasInit(SDL_INIT_VIDEO) == 0) {
        return;
    }
    for (int i = 0; i < count; ++i) {
        (void)SDL_PushEvent(&releases[i]);
    }
}

SDL_Joystick* OpenGamepad()
{
    const int count = SDL_NumJoysticks();
    for (int first = 0; first < count;) {
        SDL_Joystick* stick = INP_OpenJoystick(first, 0, 0, 0, 4);
        if (stick == nullptr) {
            return nullptr;
        }
        if (SDL_JoystickNumAxes(stick) >= 2 || SDL_JoystickNumHats(stick) >= 1) {
            return stick;
        }
        first = SDL_JoystickIndex(stick) + 1;
        SDL_JoystickClose(stick);
    }
    return nullptr;
}

} // namespace

void OpenDevices()
{
    Forget();
    pad.joystick = nullptr;
    pad.index = -1;
    captured = false;
    spinnerBacklog = 0;
    swallowedKey = 0;
    DISP_SetTranslator(TranslateDeviceEvent);
    // The standard layout puts A, B, X, Back and Start where the table above expects them.
    setenv("SDL12COMPAT_USE_GAME_CONTROLLERS", "1", 0);
    if (SDL_InitSubSystem(SDL_INIT_JOYSTICK) != 0) {
        return;
    }
    (void)SDL_JoystickEventState(SDL_ENABLE);
    pad.joystick = OpenGamepad();
    if (pad.joystick != nullptr) {
        pad.index = SDL_JoystickIndex(pad.joystick);
    }
}

void CloseDevices()
{
    DISP_SetTranslator(nullptr);
    if (pad.joystick != nullptr && SDL_WasInit(SDL_INIT_JOYSTICK) != 0) {
        SDL_JoystickClose(pad.joystick);
    }
    pad.joystick = nullptr;
    pad.index = -1;
    Forget();
    captured = false;
}

int GamepadIndex()
{
    return pad.index;
}

void DeclareGamepad(int index)
{
    LetGo();
    pad.index = index < 0 ? -1 : index;
}

void CaptureSpinner(bool on)
{
    captured = on && MouseOn();
    spinnerBacklog = 0;
    VIDEO_CapturePointer(captured);
}

bool SpinnerCaptured()
{
    return captured;
}

int32_t TakeSpinnerTurn(int32_t low, int32_t high)
{
    int32_t turn = spinnerBacklog;
    if (turn < low) {
        turn = low;
    }
    if (turn > high) {
        turn = high;
    }
    spinnerBacklog -= turn;
    return turn;
}

int TranslateDeviceEvent(const SDL_Event* event, SDL_Event* out, int capacity)
{
    if (event == nullptr || out == nullptr || capacity <= 0) {
        return -1;
    }
    switch (event->type) {
    case SDL_KEYDOWN:
        if (IsSwitchKey(event)) {
            swallowedKey = KeyOf(event);
            (void)VIDEO_ToggleFullScreen();
            return 0;
        }
        return -1;
    case SDL_KEYUP:
        if (swallowedKey != 0 && KeyOf(event) == swallowedKey) {
            swallowedKey = 0;
            return 0;
        }
        return -1;
    case SDL_JOYAXISMOTION:
    case SDL_JOYHATMOTION:
    case SDL_JOYBUTTONDOWN:
    case SDL_JOYBUTTONUP:
    case SDL_JOYBALLMOTION:
        return TranslatePad(event, out, capacity);
    case SDL_MOUSEMOTION:
        if (!captured) {
            return -1;
        }
        // Moving right turns as KEY.RIGHT does.
        spinnerBacklog -= event->motion.xrel;
        if (spinnerBacklog > SPINNER_BACKLOG) {
            spinnerBacklog = SPINNER_BACKLOG;
        } else if (spinnerBacklog < -SPINNER_BACKLOG) {
            spinnerBacklog = -SPINNER_BACKLOG;
        }
        return 0;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
        return TranslateMouseButton(event, out);
    default:
        return -1;
    }
}
