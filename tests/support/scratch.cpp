#include "tests/support/scratch.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

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
    return static_cast<int>(std::distance(std::filesystem::directory_iterator(dir_, ignored), {}));
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
    std::ofstream out(path, std::ios::binary);
    EXPECT_TRUE(out.write(bytes.data(), static_cast<std::streamsize>(bytes.size())).flush()) << path;
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
    std::ifstream in(path, std::ios::binary);
    return in ? std::string(std::istreambuf_iterator<char>(in), {}) : "<missing>";
}

std::vector<uint8_t> ReadBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}
