#include "tools/synth.h"

#include <gtest/gtest.h>

#include <cmath>
#include <set>

#include "tools/ogg.h"

namespace {

TEST(Synth, TwentyFiveNamesInLoadOrder)
{
    const std::vector<std::string>& names = SoundNames();
    ASSERT_EQ(names.size(), 25u);
    EXPECT_EQ(names.front(), "congratulations");
    EXPECT_EQ(names[16], "nuke-G");
    EXPECT_EQ(names[18], "kickback-G") << "kickback follows nuke in the load order";
    EXPECT_EQ(names.back(), "zap");
    EXPECT_EQ(std::set<std::string>(names.begin(), names.end()).size(), 25u);
    EXPECT_TRUE(MakeSound("no-such-sound", Voice::CRISP).empty());
}

TEST(Synth, EverySoundIsShortCleanAndItsOwn)
{
    std::set<std::vector<float>> seen;
    for (const std::string& name : SoundNames()) {
        const std::vector<float> s = MakeSound(name, Voice::CRISP);
        ASSERT_FALSE(s.empty()) << name;
        float peak = 0;
        for (float v : s) {
            peak = std::max(peak, std::fabs(v));
        }
        EXPECT_LE(peak, 0.7001f) << name << " leaves headroom below full scale";
        EXPECT_GT(peak, 0.6f) << name;
        const bool blip = name == "shot" || name == "zap" || name == "miss" || name == "navigation" || name == "selection";
        EXPECT_LT(static_cast<double>(s.size()) / SOUND_RATE, blip ? 0.5 : 4.0) << name;
        if (!SoundLoops(name)) {
            EXPECT_EQ(s.front(), 0.0f) << name << " starts from silence";
            EXPECT_LT(std::fabs(s.back()), 1e-3f) << name << " ends in silence";
        }
        EXPECT_TRUE(seen.insert(s).second) << name << " is a copy of another sound";
    }
}

TEST(Synth, LoopsRunOnFromTheirEndIntoTheirStart)
{
    for (const std::string& name : {std::string("movement"), std::string("freezer-U")}) {
        for (Voice voice : {Voice::CRISP, Voice::EMBER}) {
            const std::vector<float> s = MakeSound(name, voice);
            if (s.empty()) {
                continue; // a voice without its own sound takes the default one
            }
            ASSERT_TRUE(SoundLoops(name));
            double steps = 0;
            for (size_t i = 1; i < s.size(); ++i) {
                steps += (s[i] - s[i - 1]) * (s[i] - s[i - 1]);
            }
            const double rmsStep = std::sqrt(steps / static_cast<double>(s.size() - 1));
            EXPECT_LT(std::fabs(s.front() - s.back()), 3 * rmsStep) << name << ": the seam is no bigger a step";
            EXPECT_GT(std::fabs(s.front()) + std::fabs(s[s.size() / 2]), 0.0f) << name << " is not faded out";
        }
    }
}

TEST(Synth, EmberHasOnlyItsOwnFewSounds)
{
    int own = 0;
    for (const std::string& name : SoundNames()) {
        const std::vector<float> ember = MakeSound(name, Voice::EMBER);
        if (!ember.empty()) {
            ++own;
            EXPECT_NE(ember, MakeSound(name, Voice::CRISP)) << name << " sounds different in ember";
        }
    }
    EXPECT_GT(own, 0);
    EXPECT_LT(own, 25);
}

} // namespace
