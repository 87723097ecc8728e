#include "tests/support/scratch.h"

#include <gtest/gtest.h>

#include <dirent.h>

#include <cstdlib>
#include <cstring>

TempFolder::TempFolder()
{
    char pattern[] = "/tmp/zaf_test_XXXXXX";
    const char* made = mkdtemp(pattern);
    path_ = made != nullptr ? made : "";
    EXPECT_FALSE(path_.empty()) << "no temporary folder";
}

TempFolder::~TempFolder()
{
    std::string command = "rm -rf '" + path_ + "'";
    if (!path_.empty() && system(command.c_str()) != 0) {
        ADD_FAILURE() << "could not remove " << path_;
    }
}

int TempFolder::entries() const
{
    int count = 0;
    DIR* dir = opendir(path_.c_str());
    for (dirent* e = dir != nullptr ? readdir(dir) : nullptr; e != nullptr; e = readdir(dir)) {
        count += strcmp(e->d_name, ".") != 0 && strcmp(e->d_name, "..") != 0;
    }
    if (dir != nullptr) {
        closedir(dir);
    }
    return count;
}

void PutFile(const std::string& path, const std::string& bytes)
{
    FILE* f = fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr) << path;
    EXPECT_EQ(fwrite(bytes.data(), 1, bytes.size(), f), bytes.size()) << path;
    fclose(f);
}

std::string StreamText(FILE* stream)
{
    std::string out;
    fflush(stream);
    rewind(stream);
    int c;
    while ((c = fgetc(stream)) != EOF) {
        out += static_cast<char>(c);
    }
    return out;
}

std::string FileText(const std::string& path)
{
    FILE* f = fopen(path.c_str(), "rb");
    if (f == nullptr) {
        return "<missing>";
    }
    std::string out = StreamText(f);
    fclose(f);
    return out;
}
