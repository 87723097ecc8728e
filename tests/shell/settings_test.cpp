#include "shell/settings.h"

#include <SDL.h>
#include <SDL_mixer.h>
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <tuple>
#include <utility>

#include "shell/app.h"
#include "tests/shell/harness.h"
#include "util/kv.h"
#include "util/mem.h"

namespace {

// The settings file a fresh store writes, byte for byte.
const std::string defaultFile = HarnessDefaultSettings();

class SettingsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        app.config = KV_Create("unused-configuration.txt", settingsDefaults);
        ASSERT_NE(app.config, nullptr);
    }
    void TearDown() override
    {
        KV_Dispose(app.config);
        app.config = nullptr;
    }
    std::string Value(const char* key)
    {
        const char* value = nullptr;
        return KV_GetString(app.config, key, &value) ? value : "<absent>";
    }
};

TEST_F(SettingsTest, NewStoreWritesEveryKeyInOrderWithEqualsInColumnFifteen)
{
    ASSERT_TRUE(CompleteSettings(app.config));
    char* text = nullptr;
    uint32_t length = 0;
    ASSERT_TRUE(KV_Serialise(app.config, &text, &length));
    EXPECT_EQ(std::string(text, length), defaultFile);
    int lines = 0;
    for (const char* line = text; line < text + length; line = std::strchr(line, '\n') + 1) {
        EXPECT_EQ(line[14], '=') << "line " << lines << " has its '=' elsewhere";
        ++lines;
    }
    EXPECT_EQ(lines, static_cast<int>(SETTINGS_COUNT) + static_cast<int>(OPTIONAL_SETTINGS_COUNT));
    MEM_Free(text);
    EXPECT_EQ(settingsDefaults[SETTINGS_COUNT].key, nullptr) << "the list must end with a NULL key";
}

TEST_F(SettingsTest, CompletingKeepsEverySettingTheStoreHolds)
{
    ASSERT_TRUE(KV_ReplaceString(app.config, "KEY.LEFT", "a"));
    ASSERT_TRUE(KV_SetString(app.config, "MOUSE", "off"));
    ASSERT_TRUE(CompleteSettings(app.config));
    EXPECT_EQ(Value("MOUSE"), "off") << "a player's choice is not reset to the default";
    EXPECT_EQ(Value("KEY.LEFT"), "a");
    ASSERT_TRUE(KV_RemoveKey(app.config, "MOUSE"));
    ASSERT_TRUE(CompleteSettings(app.config));
    EXPECT_EQ(Value("MOUSE"), "on");
    EXPECT_FALSE(CompleteSettings(nullptr));
}

TEST_F(SettingsTest, VolumeLevelsAreExactAndCaseSensitive)
{
    const std::pair<const char*, int> levels[] = {{"loud", 128}, {"medium", 64}, {"low", 32}, {"zero", 0},
                                                  {"Loud", -1},  {"loud ", -1},  {"", -1},    {nullptr, -1}};
    for (const auto& [text, level] : levels) {
        EXPECT_EQ(VolumeLevel(text), level) << "'" << (text != nullptr ? text : "NULL") << "'";
    }
}

TEST_F(SettingsTest, ApplyVolumeSetsEveryChannelAndWritesTheValueBack)
{
    ASSERT_EQ(SDL_Init(SDL_INIT_AUDIO), 0) << SDL_GetError();
    ASSERT_EQ(Mix_OpenAudio(22050, AUDIO_S16MSB, 1, 1024), 0) << Mix_GetError();
    ASSERT_EQ(Mix_AllocateChannels(8), 8);
    Mix_Volume(-1, 100);

    EXPECT_TRUE(ApplyVolume("low"));
    EXPECT_EQ(Value("VOLUME"), "low");
    for (int channel = 0; channel < 8; ++channel) {
        EXPECT_EQ(Mix_Volume(channel, -1), 32) << "channel " << channel;
    }

    EXPECT_FALSE(ApplyVolume("Loud")) << "a capital letter is not a level";
    EXPECT_EQ(Mix_Volume(3, -1), 32) << "an unknown value must leave the volume alone";
    EXPECT_EQ(Value("VOLUME"), "low");

    EXPECT_TRUE(ApplyVolume("zero"));
    EXPECT_EQ(Mix_Volume(7, -1), 0);

    Mix_CloseAudio();
    SDL_Quit();
}

TEST_F(SettingsTest, ApplyVolumeSurvivesEachAllocationFailure)
{
    // The write back replaces one entry: the store keeps its number of blocks either way.
    const int64_t blocks = MEM_LiveBlocks();
    bool reachedSuccess = false;
    for (uint32_t n = 1; n < 50 && !reachedSuccess; ++n) {
        MEM_FailAt(n);
        const bool applied = ApplyVolume("loud");
        const bool hit = MEM_FailureHit();
        MEM_FailAt(0);
        EXPECT_EQ(MEM_LiveBlocks(), blocks) << "allocation point " << n;
        if (hit) {
            EXPECT_FALSE(applied) << "allocation point " << n;
            EXPECT_EQ(Value("VOLUME"), "medium") << "a failed write must leave the old value";
        } else {
            EXPECT_TRUE(applied);
            EXPECT_EQ(Value("VOLUME"), "loud");
            EXPECT_GT(n, 1u) << "the write back allocates";
            reachedSuccess = true;
        }
    }
    EXPECT_TRUE(reachedSuccess);
}

TEST(ParseModeTest, ReadsSizesWithBlanksAroundTheX)
{
    const std::tuple<const char*, uint32_t, uint32_t> good[] = {
        {"640x480", 640, 480}, {"640 x 480", 640, 480}, {" \t1024\tx  768", 1024, 768},
        {"800x600 (old)", 800, 600}, {"65535x65535", 65535, 65535}};
    for (const auto& [text, wantW, wantH] : good) {
        uint32_t w = 0;
        uint32_t h = 0;
        EXPECT_TRUE(ParseMode(text, &w, &h)) << "'" << text << "'";
        EXPECT_EQ(w, wantW) << "'" << text << "'";
        EXPECT_EQ(h, wantH) << "'" << text << "'";
    }
}

TEST(ParseModeTest, RejectsWhatIsNoModeAndLeavesTheOutputs)
{
    const char* bad[] = {"window", "",      "640X480",  "640*480", "x480",   "640x",
                         "0x480",  "640x0", "-640x480", "640x-1",  "65536x1", "99999999999x1",
                         "+640x480"};
    for (const char* text : bad) {
        uint32_t w = 7;
        uint32_t h = 9;
        EXPECT_FALSE(ParseMode(text, &w, &h)) << "'" << text << "'";
        EXPECT_EQ(w, 7u) << "'" << text << "'";
        EXPECT_EQ(h, 9u) << "'" << text << "'";
    }
    uint32_t w = 0;
    EXPECT_FALSE(ParseMode(nullptr, &w, &w));
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
    EXPECT_EQ(NextSettingValue(nullptr, "on"), nullptr);
}

} // namespace
