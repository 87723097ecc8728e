#include "shell/paths.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <map>
#include <string>

#include "tests/shell/harness.h"

namespace {

std::map<std::string, std::string> environment;

const char* FakeEnv(const char* name)
{
    const auto found = environment.find(name);
    return found != environment.end() ? found->second.c_str() : nullptr;
}

using FoldersTest = ShellTest;

TEST_F(FoldersTest, PortableBesideThemesInstalledOtherwise)
{
    const std::string bin = dir + "bin/";
    ASSERT_EQ(mkdir(bin.c_str(), 0700), 0);
    ASSERT_TRUE(HarnessWriteFile(dir, "share/zaf/themes/default/descriptor.txt", "x"));

    struct Case {
        const char* what;
        std::map<std::string, std::string> env;
        std::string config; // "" when settings cannot be kept
        std::string data;
    };
    const Case cases[] = {
        {"XDG set", {{"HOME", "/h"}, {"XDG_CONFIG_HOME", "/c"}, {"XDG_DATA_HOME", "/d"}}, "/c/zaf/", "/d/zaf/"},
        {"XDG relative", {{"HOME", "/h"}, {"XDG_CONFIG_HOME", "c"}, {"XDG_DATA_HOME", ""}},
         "/h/.config/zaf/", "/h/.local/share/zaf/"},
        {"one XDG set", {{"HOME", "/h"}, {"XDG_DATA_HOME", "/d"}}, "/h/.config/zaf/", "/d/zaf/"},
        {"relative HOME", {{"HOME", "h"}}, "", ""},
        {"no HOME but XDG", {{"XDG_CONFIG_HOME", "/c"}}, "/c/zaf/", ""},
    };
    for (const Case& c : cases) {
        environment = c.env;
        Folders folders;
        ASSERT_TRUE(ChooseFolders(bin.c_str(), FakeEnv, &folders)) << c.what;
        EXPECT_FALSE(folders.portable) << c.what;
        EXPECT_EQ(std::string(folders.config) + "|" + folders.data + "|" + folders.themes[0] + "|" + folders.themes[1],
                  c.config + "|" + c.data + "|" + (c.data.empty() ? "" : c.data + "themes/") + "|" + dir +
                      "share/zaf/themes/")
            << c.what;
    }

    environment = {{"HOME", "/h"}, {"XDG_DATA_HOME", "/d"}};
    Folders folders;
    ASSERT_TRUE(ChooseFolders(dir.c_str(), FakeEnv, &folders));
    EXPECT_TRUE(folders.portable) << "a themes folder beside the executable";
    EXPECT_EQ(std::string(folders.config) + "|" + folders.data + "|" + folders.themes[0] + "|" + folders.themes[1],
              dir + "|" + dir + "||" + dir + "themes/")
        << "no player's themes when portable";

    environment = {{"HOME", std::string(FOLDER_SIZE, '/')}};
    EXPECT_FALSE(ChooseFolders(bin.c_str(), FakeEnv, &folders)) << "a name that does not fit";
    EXPECT_FALSE(ChooseFolders(nullptr, FakeEnv, &folders));

    // Folders are made with their parents, privately; a file in the way fails.
    EXPECT_TRUE(MakeFolders((dir + "home/.local/share/zaf/").c_str()));
    struct stat info {};
    ASSERT_EQ(stat((dir + "home/.local").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);
    ASSERT_TRUE(HarnessWriteFile(dir, "file", "x"));
    EXPECT_FALSE(MakeFolders((dir + "file/zaf/").c_str()));
    EXPECT_FALSE(MakeFolders(std::string(FOLDER_SIZE, 'a').c_str())) << "a name that does not fit";
}

} // namespace
