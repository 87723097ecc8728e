#include "shell/settings.h"

#include <SDL.h>
#include <SDL_mixer.h>
#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "tests/shell/harness.h"
#include "tests/support/alloc_check.h"

namespace {

using SettingsTest = ShellTest;

TEST_F(SettingsTest, VolumeLevelsAreExactAndReachEveryChannel)
{
    const std::pair<const char*, int> levels[] = {{"loud", 128}, {"medium", 64}, {"low", 32}, {"zero", 0},
                                                  {"Loud", -1},  {"loud ", -1},  {"", -1},    {nullptr, -1}};
    for (const auto& [text, level] : levels) {
        EXPECT_EQ(VolumeLevel(text), level) << "'" << (text != nullptr ? text : "NULL") << "'";
    }
    ASSERT_EQ(SDL_Init(SDL_INIT_AUDIO), 0) << SDL_GetError();
    ASSERT_EQ(Mix_OpenAudio(22050, AUDIO_S16MSB, 1, 1024), 0) << Mix_GetError();
    ASSERT_EQ(Mix_AllocateChannels(8), 8);
    Mix_Volume(-1, 100);
    EXPECT_TRUE(ApplyVolume("low"));
    EXPECT_EQ(Setting("VOLUME"), "low");
    EXPECT_EQ(Mix_Volume(0, -1) + Mix_Volume(7, -1), 64) << "every channel";
    EXPECT_FALSE(ApplyVolume("Loud")) << "a capital letter is not a level";
    EXPECT_EQ(Mix_Volume(3, -1), 32) << "an unknown value leaves the volume alone";
    EXPECT_EQ(Setting("VOLUME"), "low");
    Mix_CloseAudio();
    SDL_Quit();
    EXPECT_TRUE(ApplyVolume("zero") && Setting("VOLUME") == "zero")
        << "without a sound device the setting is still written";
    CheckEachAllocationFailure([this] {
        const bool applied = ApplyVolume("loud");
        EXPECT_EQ(Setting("VOLUME"), applied ? "loud" : "zero") << "a failed write back keeps the old value";
        return applied && ApplyVolume("zero");
    });
}

TEST(ParseModeTest, ReadsSizesWithBlanksAroundTheXAndRejectsTheRest)
{
    const struct {
        const char* text;
        uint32_t w, h; // 0: no mode, the outputs untouched
    } cases[] = {
        {" \t1024\tx  768", 1024, 768}, {"800x600 (old)", 800, 600}, {"65535x65535", 65535, 65535},
        {"window", 0, 0},  {"", 0, 0},         {"640X480", 0, 0},  {"x480", 0, 0},  {"640x", 0, 0},
        {"0x480", 0, 0},   {"640x0", 0, 0},    {"-640x480", 0, 0}, {"+640x480", 0, 0},
        {"640x/", 0, 0},   {"640x:", 0, 0},    {"65536x1", 0, 0},  {"1x65536", 0, 0},
        {"99999999999x1", 0, 0}, {"99x909", 99, 909},
    };
    for (const auto& c : cases) {
        uint32_t w = 7, h = 9;
        EXPECT_EQ(ParseMode(c.text, &w, &h), c.w != 0) << "'" << c.text << "'";
        EXPECT_EQ(std::make_pair(w, h), c.w != 0 ? std::make_pair(c.w, c.h) : std::make_pair(7u, 9u))
            << "'" << c.text << "' gives a size or leaves the outputs alone";
    }
    uint32_t w = 0;
    EXPECT_FALSE(ParseMode(nullptr, &w, &w) || ParseMode("640x480", &w, nullptr)) << "no text, no output";
}

TEST(NextSettingValueTest, OptionsCycleThroughTheirValues)
{
    const char* cycles[][6] = {{"VOLUME", "zero", "low", "medium", "loud", "zero"},
                               {"DIFFICULTY", "easy", "normal", "hard", "inhuman", "easy"},
                               {"INTERPOLATION", "on", "off", "on", nullptr, nullptr}};
    for (const auto& cycle : cycles) {
        for (int i = 1; i < 5 && cycle[i + 1] != nullptr; ++i) {
            EXPECT_STREQ(NextSettingValue(cycle[0], cycle[i]), cycle[i + 1]) << cycle[0] << " " << cycle[i];
        }
    }
    EXPECT_EQ(NextSettingValue("VOLUME", "Loud"), nullptr);
    EXPECT_EQ(NextSettingValue("ZOOM", "2"), nullptr);
}

} // namespace
