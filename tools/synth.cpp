#include "tools/synth.h"

#include <algorithm>
#include <cmath>
#include <functional>

#include "tools/canvas.h"
#include "tools/ogg.h"

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kRate = SOUND_RATE;

using Buffer = std::vector<float>;

size_t Samples(double seconds)
{
    return static_cast<size_t>(seconds * kRate + 0.5);
}

// Adds a tone whose frequency glides exponentially from f0 to f1; `shape` 0 is a sine, 1 a
// softened square, 2 a softened saw (a few harmonics, so nothing aliases).
void Tone(Buffer& b, double at, double length, double f0, double f1, double amp, int shape,
          double attack = 0.004, double decay = 0.0, double vibrato = 0.0)
{
    const size_t start = Samples(at), n = Samples(length);
    if (b.size() < start + n) {
        b.resize(start + n, 0.0f);
    }
    double phase = 0;
    for (size_t i = 0; i < n; ++i) {
        const double t = static_cast<double>(i) / kRate;
        const double u = static_cast<double>(i) / static_cast<double>(n);
        double f = f0 * std::pow(f1 / f0, u);
        f *= 1.0 + vibrato * std::sin(2 * kPi * 6.0 * t);
        phase += 2 * kPi * f / kRate;
        double v = 0;
        if (shape == 0) {
            v = std::sin(phase);
        } else {
            const int harmonics = std::max(1, std::min(9, static_cast<int>(9000.0 / f)));
            for (int k = 1; k <= harmonics; ++k) {
                if (shape == 1 && k % 2 == 0) {
                    continue;
                }
                v += std::sin(phase * k) / k;
            }
            v *= shape == 1 ? 0.9 : 0.6;
        }
        double env = std::min(1.0, t / attack);
        env *= decay > 0 ? std::exp(-t / decay) : 1.0;
        env *= std::min(1.0, (1.0 - u) * length / 0.03); // release into silence
        b[start + i] += static_cast<float>(v * amp * env);
    }
}

// Adds noise through a resonant band-pass that glides from f0 to f1.
void Noise(Buffer& b, double at, double length, double f0, double f1, double q, double amp, double decay,
           uint32_t seed, double attack = 0.002)
{
    const size_t start = Samples(at), n = Samples(length);
    if (b.size() < start + n) {
        b.resize(start + n, 0.0f);
    }
    Rng rng(seed);
    double low = 0, band = 0;
    for (size_t i = 0; i < n; ++i) {
        const double t = static_cast<double>(i) / kRate;
        const double u = static_cast<double>(i) / static_cast<double>(n);
        const double f = f0 * std::pow(f1 / f0, u);
        const double k = 2 * std::sin(kPi * std::min(f, kRate / 6) / kRate);
        const double in = rng.Unit() * 2.0 - 1.0;
        low += k * band;
        const double high = in - low - band / q;
        band += k * high;
        double env = std::min(1.0, t / attack) * (decay > 0 ? std::exp(-t / decay) : 1.0);
        env *= std::min(1.0, (1.0 - u) * length / 0.03);
        b[start + i] += static_cast<float>(band * amp * env);
    }
}

// Loops: every component repeats a whole number of times in the loop's length.
Buffer Loop(double seconds, const std::function<double(double)>& wave, double noiseAmp, double noiseCut,
            double noiseBeats, uint32_t seed)
{
    const size_t n = Samples(seconds);
    Buffer b(n, 0.0f);
    // Filtered noise made circular: the filter runs over the noise twice and keeps the second
    // pass, whose state at its start is that of the end of the first.
    Rng rng(seed);
    std::vector<double> white(n);
    for (double& w : white) {
        w = rng.Unit() * 2.0 - 1.0;
    }
    const double k = 1.0 - std::exp(-2 * kPi * noiseCut / kRate);
    double state = 0;
    for (int pass = 0; pass < 2; ++pass) {
        for (size_t i = 0; i < n; ++i) {
            state += k * (white[i] - state);
            if (pass == 1) {
                const double t = static_cast<double>(i) / static_cast<double>(n);
                const double beat = 0.6 + 0.4 * std::sin(2 * kPi * noiseBeats * t);
                b[i] = static_cast<float>(wave(t * seconds) + noiseAmp * state * beat);
            }
        }
    }
    return b;
}

void Normalise(Buffer& b, double peak, bool fade)
{
    // Fade first, so that the peak is measured on what is heard. A few milliseconds of
    // silence at both ends keep the encoder's pre-echo of a sharp attack off the first sample.
    if (fade) {
        b.insert(b.begin(), Samples(0.008), 0.0f);
        b.insert(b.end(), Samples(0.008), 0.0f);
        const size_t f = std::min(b.size() / 2, Samples(0.004));
        const size_t pad = Samples(0.008);
        for (size_t i = 0; i < f; ++i) {
            const float g = static_cast<float>(i) / static_cast<float>(f);
            b[pad + i] *= g;
            b[b.size() - 1 - pad - i] *= g;
        }
    }
    float top = 0;
    for (float v : b) {
        top = std::max(top, std::fabs(v));
    }
    if (top > 0) {
        for (float& v : b) {
            v = static_cast<float>(v * peak / top);
        }
    }
}

// A short melody of (frequency, length) notes, each a plucked soft square with a sine under it.
void Melody(Buffer& b, double at, const std::vector<std::pair<double, double>>& notes, double amp, int shape)
{
    for (const auto& [f, len] : notes) {
        if (f > 0) {
            Tone(b, at, len * 1.3, f, f, amp, shape, 0.006, len * 0.55, 0.004);
            Tone(b, at, len * 1.3, f / 2, f / 2, amp * 0.35, 0, 0.006, len * 0.7);
        }
        at += len;
    }
}

Buffer Crisp(const std::string& name)
{
    Buffer b;
    if (name == "shot") {
        Tone(b, 0, 0.17, 1500, 330, 0.7, 1, 0.002, 0.07);
        Noise(b, 0, 0.03, 3000, 1500, 1.5, 0.5, 0.01, 11);
    } else if (name == "zap") {
        Tone(b, 0, 0.28, 500, 1900, 0.45, 2, 0.002, 0.12, 0.05);
        Tone(b, 0.02, 0.25, 760, 2850, 0.3, 0, 0.002, 0.1);
        Noise(b, 0, 0.26, 6000, 2500, 4, 0.6, 0.08, 12);
    } else if (name == "miss") {
        Tone(b, 0, 0.42, 320, 85, 0.8, 2, 0.003, 0.2, 0.02);
        Noise(b, 0, 0.12, 400, 150, 2, 0.9, 0.04, 13);
    } else if (name == "navigation") {
        Tone(b, 0, 0.07, 1320, 1320, 0.6, 0, 0.002, 0.025);
        Tone(b, 0, 0.07, 2640, 2640, 0.15, 0, 0.002, 0.015);
    } else if (name == "selection") {
        Tone(b, 0, 0.08, 880, 880, 0.6, 1, 0.002, 0.04);
        Tone(b, 0.07, 0.11, 1320, 1320, 0.6, 1, 0.002, 0.05);
    } else if (name == "game_over") {
        Melody(b, 0, {{392.0, 0.36}, {329.6, 0.36}, {261.6, 0.36}, {246.9, 0.3}, {196.0, 1.0}}, 0.5, 1);
    } else if (name == "congratulations") {
        Melody(b, 0, {{523.3, 0.14}, {659.3, 0.14}, {784.0, 0.14}, {1046.5, 0.3}, {0, 0.08}, {784.0, 0.14},
                      {1046.5, 0.7}}, 0.45, 1);
        Tone(b, 1.12, 1.1, 523.3, 523.3, 0.2, 0, 0.01, 0.5);
        Tone(b, 1.12, 1.1, 659.3, 659.3, 0.2, 0, 0.01, 0.5);
    } else if (name == "pointer-G") {
        Tone(b, 0, 0.09, 1568, 1568, 0.5, 0, 0.002, 0.04);
        Tone(b, 0.1, 0.09, 1760, 1760, 0.5, 0, 0.002, 0.04);
        Tone(b, 0.2, 0.25, 2093, 2093, 0.5, 0, 0.002, 0.08);
    } else if (name == "speed-up-G") {
        Tone(b, 0, 0.65, 260, 2300, 0.55, 2, 0.01, 0.0, 0.0);
        Noise(b, 0, 0.65, 800, 6000, 3, 0.25, 0.0, 21, 0.3);
    } else if (name == "expansion-G") {
        Tone(b, 0, 0.7, 620, 1240, 0.45, 1, 0.01, 0.35);
        Tone(b, 0, 0.7, 620, 310, 0.45, 1, 0.01, 0.35);
    } else if (name == "inverter-G") {
        Tone(b, 0, 0.3, 400, 1600, 0.5, 1, 0.005);
        Tone(b, 0.3, 0.3, 1600, 400, 0.5, 1, 0.001, 0.2);
    } else if (name == "laser-G") {
        Tone(b, 0, 0.55, 200, 3000, 0.45, 0, 0.3);
        Tone(b, 0.55, 0.2, 3000, 3000, 0.5, 0, 0.001, 0.06);
    } else if (name == "freezer-G") {
        Rng rng(31);
        for (int i = 0; i < 9; ++i) {
            const double f = 2000 + 2200 * rng.Unit();
            Tone(b, 0.07 * i, 0.4, f, f, 0.3, 0, 0.001, 0.1);
        }
        Noise(b, 0, 0.8, 7000, 7000, 6, 0.15, 0.3, 32);
    } else if (name == "decelerator-G") {
        const size_t n = Samples(0.8);
        b.assign(n, 0.0f);
        double phase = 0, trem = 0;
        for (size_t i = 0; i < n; ++i) {
            const double u = static_cast<double>(i) / static_cast<double>(n);
            phase += 2 * kPi * (1200 * std::pow(0.25, u)) / kRate;
            trem += 2 * kPi * (30 * std::pow(4.0 / 30, u)) / kRate;
            b[i] = static_cast<float>(std::sin(phase) * (0.6 + 0.4 * std::sin(trem)) * (1 - u));
        }
    } else if (name == "kickback-G") {
        Tone(b, 0, 0.6, 300, 300, 0.7, 0, 0.002, 0.2, 0.25);
        Tone(b, 0, 0.05, 900, 300, 0.3, 1, 0.001, 0.02);
    } else if (name == "nuke-G") {
        Noise(b, 0, 0.9, 120, 60, 1.2, 1.2, 0.5, 41, 0.05);
        Tone(b, 0, 0.45, 200, 800, 0.35, 1, 0.02);
        Tone(b, 0.45, 0.45, 200, 800, 0.35, 1, 0.02, 0.3);
    } else if (name == "magnet-G") {
        Tone(b, 0, 0.8, 120, 120, 0.5, 2, 0.3, 0.35, 0.06);
        Tone(b, 0, 0.8, 240, 240, 0.25, 0, 0.3, 0.35, 0.06);
    } else if (name == "laser-U") {
        Tone(b, 0, 0.32, 3200, 400, 0.6, 1, 0.001, 0.1);
        Noise(b, 0, 0.08, 5000, 2000, 2, 0.4, 0.03, 51);
    } else if (name == "inverter-U") {
        Noise(b, 0, 0.4, 300, 4000, 5, 1.0, 0.0, 52, 0.3);
        Tone(b, 0, 0.4, 300, 1200, 0.3, 0, 0.3);
    } else if (name == "decelerator-U") {
        Tone(b, 0, 0.6, 800, 150, 0.6, 2, 0.01, 0.3);
    } else if (name == "kickback-U") {
        Tone(b, 0, 0.2, 130, 50, 0.9, 0, 0.001, 0.07);
        Noise(b, 0, 0.02, 3000, 3000, 1, 0.5, 0.005, 53);
        Tone(b, 0.06, 0.3, 420, 420, 0.35, 0, 0.002, 0.1, 0.2);
    } else if (name == "nuke-U") {
        Noise(b, 0, 1.6, 900, 80, 0.9, 1.4, 0.45, 54, 0.005);
        Tone(b, 0, 1.2, 70, 30, 0.8, 0, 0.005, 0.4);
    } else if (name == "magnet-U") {
        Tone(b, 0, 0.7, 100, 400, 0.5, 2, 0.05, 0.0, 0.08);
    } else if (name == "movement") {
        return Loop(0.5, [](double t) {
            double v = 0;
            for (int k = 1; k <= 8; ++k) {
                v += std::sin(2 * kPi * 90.0 * k * t) / k;
            }
            return 0.25 * v * (0.75 + 0.25 * std::sin(2 * kPi * 8.0 * t));
        }, 0.9, 900, 4, 61);
    } else if (name == "freezer-U") {
        return Loop(1.0, [](double t) {
            return 0.18 * std::sin(2 * kPi * 2093.0 * t) * (0.5 + 0.5 * std::sin(2 * kPi * 3.0 * t)) +
                   0.12 * std::sin(2 * kPi * 3136.0 * t) * (0.5 + 0.5 * std::cos(2 * kPi * 5.0 * t));
        }, 0.5, 5000, 6, 62);
    }
    return b;
}

Buffer Ember(const std::string& name)
{
    Buffer b;
    if (name == "shot") {
        Tone(b, 0, 0.2, 620, 140, 0.8, 0, 0.002, 0.08);
        Noise(b, 0, 0.06, 900, 300, 1.2, 0.8, 0.02, 71);
    } else if (name == "zap") {
        for (int i = 0; i < 6; ++i) {
            Noise(b, 0.035 * i, 0.05, 2500 + 400 * i, 1200, 3, 0.8, 0.015, 72 + i);
        }
        Tone(b, 0, 0.3, 330, 990, 0.35, 1, 0.002, 0.12);
    } else if (name == "miss") {
        Tone(b, 0, 0.45, 110, 70, 0.8, 0, 0.002, 0.2);
        Tone(b, 0, 0.45, 277, 180, 0.3, 1, 0.002, 0.12);
    } else if (name == "movement") {
        return Loop(0.5, [](double t) {
            return 0.3 * std::sin(2 * kPi * 60.0 * t) + 0.12 * std::sin(2 * kPi * 120.0 * t) *
                                                        (0.5 + 0.5 * std::sin(2 * kPi * 6.0 * t));
        }, 1.2, 400, 2, 81);
    } else if (name == "navigation") {
        Tone(b, 0, 0.08, 740, 740, 0.6, 1, 0.002, 0.03);
    } else if (name == "selection") {
        Tone(b, 0, 0.09, 554, 554, 0.6, 1, 0.002, 0.04);
        Tone(b, 0.08, 0.12, 740, 740, 0.6, 1, 0.002, 0.05);
    }
    return b;
}

} // namespace

const std::vector<std::string>& SoundNames()
{
    static const std::vector<std::string> names = {
        "congratulations", "decelerator-G", "decelerator-U", "expansion-G", "freezer-G",
        "freezer-U",       "game_over",     "inverter-G",    "inverter-U",  "laser-G",
        "laser-U",         "magnet-G",      "magnet-U",      "miss",        "movement",
        "navigation",      "nuke-G",        "nuke-U",        "kickback-G",  "kickback-U",
        "pointer-G",       "selection",     "shot",          "speed-up-G",  "zap"};
    return names;
}

bool SoundLoops(const std::string& name)
{
    return name == "movement" || name == "freezer-U";
}

std::vector<float> MakeSound(const std::string& name, Voice voice)
{
    Buffer b = voice == Voice::EMBER ? Ember(name) : Crisp(name);
    if (!b.empty()) {
        // Peak at -3 dBFS leaves room for the encoder's ripple under -1 dBFS.
        Normalise(b, 0.70, !SoundLoops(name));
    }
    return b;
}
