// The sound effects of a theme, synthesised: oscillators, noise, filters and envelopes mixed
// into mono samples at 22050 Hz, normalised below full scale and faded at both ends (loops
// excepted, which are built from whole cycles so that their end runs on into their start).
#pragma once

#include <string>
#include <vector>

// The timbre family of a theme's sounds.
enum class Voice { CRISP, EMBER };

// The 25 sound names, without ".ogg", in the order the game loads them.
const std::vector<std::string>& SoundNames();
// Whether the game plays the sound looped until it halts it.
bool SoundLoops(const std::string& name);
// Samples in -1..1; empty for a name that is not a sound of the game.
std::vector<float> MakeSound(const std::string& name, Voice voice);
