// Loads a whole theme whose descriptor, one picture and font picture come from the input,
// through the real theme loader, makes its object pictures and frees everything again; what
// the theme lacks comes from the generated "default" theme of the build's run folder, linked
// into a scratch program folder.
//
// The input is a mode byte, the descriptor's and the picture's lengths (16 bits each, low
// byte first), and the three parts in turn; the font picture takes the rest. Mode bits 0-2
// choose the picture (logo, template, field, objects, sprites), bit 3 writes it as its own
// mask too, bit 4 writes the font as a mask alone, bit 5 as colour and mask. With bit 7 every
// part instead patches the default theme's file (triples of a 16-bit offset and a byte to
// mix in), so that deep paths are reached without a corpus.
#include <SDL.h>
#include <SDL_mixer.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "shell/app.h"
#include "shell/paths.h"
#include "shell/settings.h"
#include "shell/theme.h"
#include "shell/video.h"
#include "util/kv.h"
#include "util/mem.h"
#include "util/node.h"

namespace {

constexpr const char* pictures[] = {"logo", "template", "field", "objects", "sprites"};

std::string folder;      // the scratch program folder, ending in '/'
std::string fuzzTheme;   // its theme "fuzz", ending in '/'
std::string defaultDir;  // the generated "default", ending in '/'
bool ready = false;
int64_t liveAtRest = 0;

std::string ReadWhole(const std::string& path)
{
    std::string bytes;
    if (FILE* file = std::fopen(path.c_str(), "rb")) {
        char buffer[65536];
        size_t got = 0;
        while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) {
            bytes.append(buffer, got);
        }
        std::fclose(file);
    }
    return bytes;
}

void Write(const std::string& name, const std::string& bytes)
{
    if (FILE* file = std::fopen((fuzzTheme + name).c_str(), "wb")) {
        std::fwrite(bytes.data(), 1, bytes.size(), file);
        std::fclose(file);
    }
}

// The part as it stands, or the default theme's file with the part's patches mixed in.
std::string Part(const uint8_t* data, size_t size, bool patch, const char* defaultFile)
{
    if (!patch) {
        return std::string(reinterpret_cast<const char*>(data), size);
    }
    std::string bytes = ReadWhole(defaultDir + defaultFile);
    for (size_t i = 0; i + 2 < size && !bytes.empty(); i += 3) {
        const size_t at = (static_cast<size_t>(data[i]) | static_cast<size_t>(data[i + 1]) << 8) % bytes.size();
        bytes[at] = static_cast<char>(bytes[at] ^ data[i + 2]);
    }
    return bytes;
}

bool Prepare()
{
    setenv("SDL_VIDEODRIVER", "dummy", 0);
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    const char* run = std::getenv("ZAF_RUN_DIR");
    defaultDir = std::string(run != nullptr ? run : ZAF_RUN_DIR) + "/themes/default/";
    char name[] = "/tmp/zaf-fuzz-XXXXXX";
    if (mkdtemp(name) == nullptr) {
        return false;
    }
    folder = std::string(name) + "/";
    fuzzTheme = folder + "themes/fuzz/";
    if (mkdir((folder + "themes").c_str(), 0755) != 0 || mkdir(fuzzTheme.c_str(), 0755) != 0 ||
        symlink(defaultDir.c_str(), (folder + "themes/default").c_str()) != 0) {
        return false;
    }
    static Folders folders;
    if (!PortableFolders(folder.c_str(), &folders)) {
        return false;
    }
    app.folders = &folders;
    app.config = KV_Create((folder + "configuration.txt").c_str(), settingsDefaults);
    for (const char* theme : {"default", "fuzz"}) {
        NODE_Item* item = NODE_NewItem(theme, 0);
        if (item == nullptr) {
            return false;
        }
        NODE_AddItemTail(item, &app.themeNames);
    }
    return app.config != nullptr && SDL_Init(SDL_INIT_VIDEO | SDL_INIT_AUDIO) == 0 &&
           Mix_OpenAudio(22050, AUDIO_S16MSB, 1, 1024) == 0 && SetupVideo();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    // A theme's files need hundreds of bytes: inputs start at full length instead of being
    // grown slowly from a few bytes (the flags are read after this call).
    static std::vector<char*> args(*argv, *argv + *argc);
    static char fullLength[] = "-len_control=0";
    args.insert(args.begin() + 1, fullLength);
    args.push_back(nullptr);
    *argv = args.data();
    *argc += 1;

    ready = Prepare();
    if (!ready) {
        std::fprintf(stderr, "fuzz_theme: cannot set up (is the default theme in %s?)\n", defaultDir.c_str());
    }
    liveAtRest = MEM_LiveBlocks();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (!ready) {
        std::abort();
    }
    if (size < 5) {
        return 0;
    }
    const uint8_t mode = data[0];
    size_t descriptorSize = static_cast<size_t>(data[1]) | static_cast<size_t>(data[2]) << 8;
    size_t pictureSize = static_cast<size_t>(data[3]) | static_cast<size_t>(data[4]) << 8;
    data += 5;
    size -= 5;
    descriptorSize = std::min(descriptorSize, size);
    pictureSize = std::min(pictureSize, size - descriptorSize);
    const bool patch = (mode & 0x80) != 0;
    const std::string picture = std::string(pictures[(mode & 7) % 5]);

    // Only the three files of this input stand in the theme's folder.
    for (const char* old : {"descriptor.txt", "font.c.bmp", "font.a.bmp"}) {
        unlink((fuzzTheme + old).c_str());
    }
    for (const char* old : pictures) {
        unlink((fuzzTheme + old + ".c.bmp").c_str());
        unlink((fuzzTheme + old + ".a.bmp").c_str());
    }
    Write("descriptor.txt", Part(data, descriptorSize, patch, "descriptor.txt"));
    const std::string pictureBytes = Part(data + descriptorSize, pictureSize, patch, (picture + ".c.bmp").c_str());
    Write(picture + ".c.bmp", pictureBytes);
    if ((mode & 8) != 0) {
        Write(picture + ".a.bmp", pictureBytes);
    }
    const size_t fontAt = descriptorSize + pictureSize;
    const std::string font = Part(data + fontAt, size - fontAt, patch, "font.c.bmp");
    if ((mode & 0x30) != 0x10) {
        Write("font.c.bmp", font);
    }
    if ((mode & 0x30) != 0) {
        Write("font.a.bmp", font);
    }

    // A failed load puts "default" into THEME; every input asks for "fuzz" again.
    if (!KV_ReplaceString(app.config, "THEME", "fuzz")) {
        std::abort();
    }
    // Whatever the input, "default" stands behind it.
    if (!LoadTheme()) {
        std::abort();
    }
    (void)BuildObjectPictures();
    FreeObjectPictures();
    FreeTheme();
    if (MEM_LiveBlocks() != liveAtRest) {
        __builtin_trap();
    }
    return 0;
}
