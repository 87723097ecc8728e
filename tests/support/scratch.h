// Scratch files for tests: a temporary folder that is removed with its contents, and whole
// files and streams read into or written from strings.
#pragma once

#include <cstdio>
#include <string>

class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    std::string file(const char* name) const { return path_ + "/" + name; }
    const std::string& path() const { return path_; }
    // Files and folders directly inside, so that leftover temporary files show.
    int entries() const;

private:
    std::string path_;
};

// Replaces the file by the bytes; fails the current test when it cannot be written.
void PutFile(const std::string& path, const std::string& bytes);
// The file's bytes; "<missing>" when it cannot be opened.
std::string FileText(const std::string& path);
// Everything written to the stream so far; the stream is left at its end.
std::string StreamText(FILE* stream);
