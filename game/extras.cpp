#include "game/extras.h"

#include <SDL.h>

#include "game/catcher.h"
#include "game/game.h"
#include "game/objects.h"
#include "game/sounds.h"
#include "shell/app.h"

namespace {

constexpr uint32_t OPAQUE = 0xFF000000u;
constexpr uint16_t RETRACTION = 5;
constexpr uint16_t NORMAL_TURN_SPEED = 10;
constexpr uint16_t FAST_TURN_SPEED = 15;
constexpr uint16_t EXPANSION_STEP = 9;

void SwitchFlag(uint16_t flag, int sound, int on)
{
    if (on == 0) {
        game.flags = static_cast<uint16_t>(game.flags & ~flag);
        return;
    }
    if ((game.flags & flag) != 0) {
        return;
    }
    game.flags |= flag;
    PlaySound(CHANNEL_EXTRA, sound, 0);
}

void SwitchExpansion(uint16_t flag, int on)
{
    bool wasOn = (game.flags & flag) != 0;
    if (on != 0 && !wasOn) {
        game.catcherLeft = static_cast<uint16_t>(game.catcherLeft - EXPANSION_STEP);
        game.catcherRight = static_cast<uint16_t>(game.catcherRight + EXPANSION_STEP);
    } else if (on == 0 && wasOn) {
        // Only an expansion that widened the catcher narrows it, so the catcher can never
        // shrink below its own width.
        game.catcherLeft = static_cast<uint16_t>(game.catcherLeft + EXPANSION_STEP);
        game.catcherRight = static_cast<uint16_t>(game.catcherRight - EXPANSION_STEP);
    }
    SwitchFlag(flag, SOUND_EXPANSION_G, on);
}

void SwitchPointer(int on)
{
    SwitchFlag(EXTRA_POINTER, SOUND_POINTER_G, on);
}

void SwitchSpeedUp(int on)
{
    if (on == 0) {
        game.maxTurnSpeed = NORMAL_TURN_SPEED;
        game.reachBonus = 45;
        return;
    }
    if (game.maxTurnSpeed > 14) {
        return;
    }
    game.maxTurnSpeed = FAST_TURN_SPEED;
    game.reachBonus = 105;
    PlaySound(CHANNEL_EXTRA, SOUND_SPEED_UP_G, 0);
}

void SwitchExpansion1(int on)
{
    SwitchExpansion(EXTRA_EXPANSION_1, on);
}

void SwitchExpansion2(int on)
{
    SwitchExpansion(EXTRA_EXPANSION_2, on);
}

void SwitchExpansion3(int on)
{
    SwitchExpansion(EXTRA_EXPANSION_3, on);
}

void SwitchInverter(int on)
{
    SwitchFlag(EXTRA_INVERTER, SOUND_INVERTER_G, on);
}

void SwitchLaser(int on)
{
    SwitchFlag(EXTRA_LASER, SOUND_LASER_G, on);
}

void SwitchFreezer(int on)
{
    SwitchFlag(EXTRA_FREEZER, SOUND_FREEZER_G, on);
    if (on == 0) {
        EndFreeze();
    }
}

void SwitchDecelerator(int on)
{
    SwitchFlag(EXTRA_DECELERATOR, SOUND_DECELERATOR_G, on);
}

void SwitchKickback(int on)
{
    SwitchFlag(EXTRA_KICKBACK, SOUND_KICKBACK_G, on);
}

void SwitchNuke(int on)
{
    SwitchFlag(EXTRA_NUKE, SOUND_NUKE_G, on);
}

void SwitchMagnet(int on)
{
    SwitchFlag(EXTRA_MAGNET, SOUND_MAGNET_G, on);
}

// An object carries one beam at most: a new one replaces the old.
void AttachBeam(Object* object, uint32_t colour, uint16_t duration)
{
    if (object->beam != nullptr) {
        RemoveBeam(object->beam);
    }
    (void)NewBeam(object, 0, 0, colour, duration);
}

void FireLaser(Object* target)
{
    game.flags = static_cast<uint16_t>(game.flags & ~EXTRA_LASER);
    TraceGame("use laser");
    PlayOneShot(SOUND_LASER_U);
    PlayOneShot(SOUND_ZAP);
    auto x = static_cast<int16_t>(target->screenX);
    auto y = static_cast<int16_t>(target->screenY);
    (void)NewBeam(nullptr, x, y, RandomPrimary(), RETRACTION);
    NewFlash(x, y);
    DestroyObject(target);
}

void Invert(Object* target)
{
    TraceGame("use inverter");
    PlayOneShot(SOUND_INVERTER_U);
    MarkObject(target);
    target->capabilities = static_cast<uint8_t>(target->capabilities & ~CAN_INVERT);
    target->stateBits |= ST_INVERTED;
    target->vx = -target->vx;
    target->vy = -target->vy;
    Reaim(target);
    AttachBeam(target, RandomPrimary(), RETRACTION);
}

void Magnetise(Object* object)
{
    if ((object->capabilities & CAN_MAGNET) == 0) {
        return;
    }
    object->capabilities = 0;
    object->vx = 0;
    object->vy = 0;
    object->stateBits |= ST_MAGNETISED;
    object->arrival = 0;
    AttachBeam(object, RandomPrimary(), 0);
    game.target = nullptr;
}

void Nuke(Object* object)
{
    if ((object->stateBits & ST_MISSED) != 0) {
        return;
    }
    auto x = static_cast<int16_t>(object->screenX);
    auto y = static_cast<int16_t>(object->screenY);
    (void)NewBeam(nullptr, x, y, RandomPrimary() | OPAQUE, RETRACTION);
    NewFlash(x, y);
    DestroyObject(object);
}

void ArmKickback(Object* object)
{
    if ((object->capabilities & CAN_KICK) == 0) {
        return;
    }
    MarkObject(object);
    object->capabilities = static_cast<uint8_t>(object->capabilities & ~CAN_KICK);
    object->stateBits |= ST_KICK_ARMED;
    AttachBeam(object, RandomPrimary() | OPAQUE, RETRACTION);
}

void Decelerate(Object* object)
{
    if ((object->capabilities & CAN_DECELERATE) == 0) {
        return;
    }
    MarkObject(object);
    object->capabilities = static_cast<uint8_t>(object->capabilities & ~CAN_DECELERATE);
    object->stateBits |= ST_DECELERATED;
    object->speed /= 2;
    object->vx /= 2;
    object->vy /= 2;
    Reaim(object);
    AttachBeam(object, RandomPrimary() | OPAQUE, RETRACTION);
}

struct Button3Use {
    const char* name;
    uint16_t flag;
    int sound;
    void (*apply)(Object* object);
};

// In the order the button tries them.
constexpr Button3Use BUTTON3_USES[] = {
    {"magnet", EXTRA_MAGNET, SOUND_MAGNET_U, Magnetise},
    {"nuke", EXTRA_NUKE, SOUND_NUKE_U, Nuke},
    {"kickback", EXTRA_KICKBACK, SOUND_KICKBACK_U, ArmKickback},
    {"decelerator", EXTRA_DECELERATOR, SOUND_DECELERATOR_U, Decelerate},
};

}  // namespace

const ExtraEntry extrasLadder[EXTRA_ROWS + 1] = {
    {"pointer", SwitchPointer, 5, 0},
    {"speed-up", SwitchSpeedUp, 10, 0},
    {"expansion", SwitchExpansion1, 15, 0},
    {"inverter", SwitchInverter, 20, 0},
    {"laser", SwitchLaser, 25, 0},
    {"expansion", SwitchExpansion2, 30, 0},
    {"freezer", SwitchFreezer, 40, 0},
    {"expansion", SwitchExpansion3, 50, 0},
    {"decelerator", SwitchDecelerator, 60, 0},
    {"kickback", SwitchKickback, 75, 0},
    {"nuke", SwitchNuke, 95, 0},
    {"magnet", SwitchMagnet, 120, 0},
    {nullptr, nullptr, 0, 0},
};

void SwitchExtra(const ExtraEntry* row, int on)
{
    if (row != nullptr && row->toggle != nullptr) {
        row->toggle(on);
    }
}

void EarnExtras()
{
    const ExtraEntry* row = game.nextExtra;
    if (row == nullptr || row->threshold == 0 || game.chain != row->threshold) {
        return;
    }
    SwitchExtra(row, 1);
    game.nextExtra = row + 1;
    TraceGame("extra on %s", row->name);
}

void LoseExtras()
{
    while (game.nextExtra != nullptr && game.nextExtra != &extrasLadder[0] &&
           game.chain < (game.nextExtra - 1)->threshold) {
        game.nextExtra -= 1;
        SwitchExtra(game.nextExtra, 0);
        TraceGame("extra off %s", game.nextExtra->name);
    }
}

int Button1Key(SDL_keysym*, uint8_t type, uintptr_t)
{
    TraceKey("button1", type);
    Object* target = game.target;
    if (type != SDL_KEYDOWN || target == nullptr) {
        return 1;
    }
    if ((game.flags & EXTRA_LASER) != 0) {
        FireLaser(target);
    } else if ((game.flags & EXTRA_INVERTER) != 0 && (target->capabilities & CAN_INVERT) != 0) {
        Invert(target);
    }
    return 1;
}

int Button2Key(SDL_keysym*, uint8_t type, uintptr_t)
{
    TraceKey("button2", type);
    if (type != SDL_KEYDOWN) {
        EndFreeze();
        return 1;
    }
    Object* target = game.target;
    if (target == nullptr || (target->capabilities & CAN_FREEZE) == 0 ||
        (game.flags & EXTRA_FREEZER) == 0) {
        return 1;
    }
    // A release that never arrived must not leave an earlier object frozen for good.
    if (game.frozenObject != nullptr) {
        EndFreeze();
    }
    TraceGame("use freezer");
    PlaySound(CHANNEL_FREEZER, SOUND_FREEZER_U, LOOP_FOREVER);
    game.frozenObject = target;
    game.frozenSavedCapabilities = target->capabilities;
    AttachBeam(target, game.freezerBeamColour, 0);
    target->capabilities = 0;
    target->arrival = 0;
    game.target = nullptr;
    return 1;
}

int Button3Key(SDL_keysym*, uint8_t type, uintptr_t)
{
    TraceKey("button3", type);
    if (type != SDL_KEYDOWN) {
        return 1;
    }
    for (const Button3Use& use : BUTTON3_USES) {
        if ((game.flags & use.flag) == 0) {
            continue;
        }
        game.flags = static_cast<uint16_t>(game.flags & ~use.flag);
        TraceGame("use %s", use.name);
        PlayOneShot(use.sound);
        NODE_Node* next = nullptr;
        for (NODE_Node* node = game.objects.first; node != nullptr; node = next) {
            next = node->next;
            use.apply(static_cast<Object*>(node->data));
        }
        return 1;
    }
    return 1;
}

void EndFreeze()
{
    HaltChannel(CHANNEL_FREEZER);
    Object* frozen = game.frozenObject;
    if (frozen == nullptr) {
        return;
    }
    frozen->capabilities = static_cast<uint8_t>(game.frozenSavedCapabilities);
    Reaim(frozen);
    if (frozen->beam != nullptr) {
        RemoveBeam(frozen->beam);
    }
    game.frozenObject = nullptr;
}

void MarkObject(Object* object)
{
    NODE_AddTail(&object->markerLink, &game.marked);
}

void StatusLetters(char* out)
{
    char* p = out;
    if (game.maxTurnSpeed == FAST_TURN_SPEED) {
        *p++ = 'S';
    }
    if ((game.flags & EXTRA_LASER) != 0) {
        *p++ = 'L';
    } else if ((game.flags & EXTRA_INVERTER) != 0) {
        *p++ = 'I';
    }
    if ((game.flags & EXTRA_FREEZER) != 0) {
        *p++ = 'F';
    }
    if ((game.flags & EXTRA_MAGNET) != 0) {
        *p++ = 'M';
    } else if ((game.flags & EXTRA_NUKE) != 0) {
        *p++ = 'N';
    } else if ((game.flags & EXTRA_KICKBACK) != 0) {
        *p++ = 'K';
    } else if ((game.flags & EXTRA_DECELERATOR) != 0) {
        *p++ = 'D';
    }
    *p = '\0';
}
