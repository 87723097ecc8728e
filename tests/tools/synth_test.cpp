// The decoded sounds' length, clicks, loop seams and peaks are checked on the generated
// themes (themes_test.cpp); here what only the raw samples show.
#include "tools/synth.h"

#include <gtest/gtest.h>

#include <set>

namespace {

TEST(Synth, TwentyFiveDistinctSoundsEmberOwningAFew)
{
    const std::vector<std::string>& names = SoundNames();
    ASSERT_EQ(names.size(), 25u);
    std::set<std::vector<float>> seen;
    int own = 0;
    for (const std::string& name : names) {
        const std::vector<float> s = MakeSound(name, Voice::CRISP);
        EXPECT_TRUE(seen.insert(s).second) << name << " is a copy of another sound";
        const std::vector<float> ember = MakeSound(name, Voice::EMBER);
        own += ember.empty() ? 0 : 1;
        EXPECT_TRUE(ember.empty() || ember != s) << name << " sounds different in ember";
    }
    EXPECT_TRUE(own > 0 && own < 25) << "ember has only its own few sounds: " << own;
}

} // namespace
