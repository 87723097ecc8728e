// Scratch files for tests: a self-removing temporary folder, whole files and streams as text.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

struct SDL_Surface;

// A fresh folder under /tmp, removed with everything in it when the object goes.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    // Path("") is the folder itself, with its trailing slash.
    [[nodiscard]] std::string Path(const std::string& name) const { return dir_ + "/" + name; }
    // Files and folders directly inside, so that leftover temporary files show.
    [[nodiscard]] int Entries() const;
    // Saves the surface as a BMP and frees it; returns the file's path.
    std::string SaveBMP(SDL_Surface* s, const std::string& name) const;
    // Replaces the named file by the bytes; returns its path.
    std::string Write(const std::string& name, const std::vector<uint8_t>& bytes) const;

private:
    std::string dir_;
};

// Replaces the file by the bytes; fails the current test when it cannot be written.
void PutFile(const std::string& path, const std::string& bytes);
// The file's bytes; "<missing>" when it cannot be opened.
std::string FileText(const std::string& path);
// The whole file; empty when it cannot be read.
std::vector<uint8_t> ReadBytes(const std::string& path);
// Everything written to the stream so far; the stream is left at its end.
std::string StreamText(FILE* stream);
