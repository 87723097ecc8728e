#include "tests/support/scratch.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

TempDir::TempDir()
{
    char pattern[] = "/tmp/zaf_test_XXXXXX";
    const char* made = mkdtemp(pattern);
    EXPECT_NE(made, nullptr) << "no temporary folder";
    dir_ = made != nullptr ? made : "/nonexistent";
}

TempDir::~TempDir()
{
    std::error_code ignored;
    std::filesystem::remove_all(dir_, ignored);
}

int TempDir::Entries() const
{
    std::error_code ignored;
    int count = 0;
    for (auto it = std::filesystem::directory_iterator(dir_, ignored); it != std::filesystem::directory_iterator();
         ++it) {
        count++;
    }
    return count;
}

std::string TempDir::SaveBMP(SDL_Surface* s, const std::string& name) const
{
    const std::string path = Path(name);
    EXPECT_EQ(SDL_SaveBMP(s, path.c_str()), 0) << SDL_GetError();
    SDL_FreeSurface(s);
    return path;
}

std::string TempDir::Write(const std::string& name, const std::vector<uint8_t>& bytes) const
{
    PutFile(Path(name), std::string(bytes.begin(), bytes.end()));
    return Path(name);
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
    for (int c = fgetc(stream); c != EOF; c = fgetc(stream)) {
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

std::vector<uint8_t> ReadBytes(const std::string& path)
{
    FILE* f = fopen(path.c_str(), "rb");
    const std::string text = f != nullptr ? StreamText(f) : "";
    if (f != nullptr) {
        fclose(f);
    }
    return {text.begin(), text.end()};
}
