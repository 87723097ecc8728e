#include "toolkit/gfx/pix.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/alloc_check.h"
#include "util/mem.h"

namespace {

constexpr uint32_t kR = 0x00FF0000, kG = 0x0000FF00, kB = 0x000000FF, kA = 0xFF000000;

SDL_Surface* NewSurface(int w, int h, bool bgr = false, uint32_t amask = 0)
{
    return SDL_CreateRGBSurface(SDL_SWSURFACE, w, h, 32, bgr ? kB : kR, kG, bgr ? kR : kB, amask);
}

uint32_t& At(SDL_Surface* s, int x, int y)
{
    return reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(s->pixels) + y * s->pitch)[x];
}

// A surface over a buffer whose rows are three pixels wider than the picture and filled with
// a guard value, so that rows walked by width instead of pitch, or writes past a row, show.
class PaddedSurface {
public:
    PaddedSurface(int w, int h, uint32_t r, uint32_t g, uint32_t b, uint32_t a)
        : w_(w), h_(h), memory_(static_cast<size_t>((w + 3) * h), kGuard)
    {
        surface_ = SDL_CreateRGBSurfaceFrom(memory_.data(), w, h, 32, (w + 3) * 4, r, g, b, a);
    }
    ~PaddedSurface() { SDL_FreeSurface(surface_); }
    PaddedSurface(const PaddedSurface&) = delete;
    PaddedSurface& operator=(const PaddedSurface&) = delete;
    SDL_Surface* get() { return surface_; }
    uint32_t& Px(int x, int y) { return memory_[static_cast<size_t>(y * (w_ + 3) + x)]; }
    bool GuardsIntact()
    {
        for (int y = 0; y < h_; y++) {
            for (int x = w_; x < w_ + 3; x++) {
                if (Px(x, y) != kGuard) {
                    return false;
                }
            }
        }
        return true;
    }
    static constexpr uint32_t kGuard = 0x5A5A5A5A;

private:
    int w_;
    int h_;
    std::vector<uint32_t> memory_;
    SDL_Surface* surface_;
};

class PixTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO), 0) << SDL_GetError(); }
    static void TearDownTestSuite() { SDL_Quit(); }

    void SetUp() override
    {
        char pattern[] = "/tmp/zaf_pix_XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir_ = pattern;
        xrgb_ = NewSurface(1, 1);
        bgr_ = NewSurface(1, 1, true);
        ASSERT_NE(xrgb_, nullptr);
        ASSERT_NE(bgr_, nullptr);
    }
    void TearDown() override
    {
        PIX_FreeAllImages();
        SDL_FreeSurface(xrgb_);
        SDL_FreeSurface(bgr_);
        std::filesystem::remove_all(dir_);
    }

    std::string Path(const char* name) const { return dir_ + "/" + name; }

    // Saves a w x h picture whose pixel (x, y) is colour(x, y) (0xRRGGBB).
    template <typename Colour>
    std::string SavePicture(const char* name, int w, int h, Colour colour)
    {
        SDL_Surface* s = NewSurface(w, h);
        for (int y = 0; y < h; y++) {
            for (int x = 0; x < w; x++) {
                At(s, x, y) = colour(x, y);
            }
        }
        std::string path = Path(name);
        EXPECT_EQ(SDL_SaveBMP(s, path.c_str()), 0);
        SDL_FreeSurface(s);
        return path;
    }

    // An 8-bit mask whose palette entry i is the grey 255 - i, so that only a loader using
    // the raw index gets the alpha right.
    std::string SaveMask(const char* name, int w, int h, const std::vector<uint8_t>& indices, int depth = 8)
    {
        std::string path = Path(name);
        if (depth != 8) {
            return SavePicture(name, w, h, [](int, int) { return 0x808080u; });
        }
        SDL_Surface* s = SDL_CreateRGBSurface(SDL_SWSURFACE, w, h, 8, 0, 0, 0, 0);
        SDL_Color colours[256];
        for (int i = 0; i < 256; i++) {
            const auto g = static_cast<Uint8>(255 - i);
            colours[i] = SDL_Color{g, g, g, 0};
        }
        SDL_SetColors(s, colours, 0, 256);
        for (int y = 0; y < h; y++) {
            for (int x = 0; x < w; x++) {
                static_cast<uint8_t*>(s->pixels)[y * s->pitch + x] = indices[static_cast<size_t>(y * w + x)];
            }
        }
        EXPECT_EQ(SDL_SaveBMP(s, path.c_str()), 0);
        SDL_FreeSurface(s);
        return path;
    }

    std::vector<uint8_t> ReadFile(const std::string& path)
    {
        std::vector<uint8_t> bytes;
        FILE* f = std::fopen(path.c_str(), "rb");
        if (f == nullptr) {
            return bytes;
        }
        int c;
        while ((c = std::fgetc(f)) != EOF) {
            bytes.push_back(static_cast<uint8_t>(c));
        }
        std::fclose(f);
        return bytes;
    }

    std::string WriteFile(const char* name, const std::vector<uint8_t>& bytes)
    {
        std::string path = Path(name);
        FILE* f = std::fopen(path.c_str(), "wb");
        EXPECT_NE(f, nullptr);
        if (f != nullptr) {
            std::fwrite(bytes.data(), 1, bytes.size(), f);
            std::fclose(f);
        }
        return path;
    }

    std::string dir_;
    SDL_Surface* xrgb_ = nullptr;
    SDL_Surface* bgr_ = nullptr;
};

void Put32(std::vector<uint8_t>& bytes, size_t at, uint32_t value)
{
    for (int i = 0; i < 4; i++) {
        bytes[at + static_cast<size_t>(i)] = static_cast<uint8_t>(value >> (8 * i));
    }
}

// Draws a one-pixel box of `border` around an interior of w x h at (x, y), the interior
// filled with `fill`.
void DrawBox(SDL_Surface* s, int x, int y, int w, int h, uint32_t border, uint32_t fill)
{
    for (int j = 0; j < h + 2; j++) {
        for (int i = 0; i < w + 2; i++) {
            const bool edge = i == 0 || j == 0 || i == w + 1 || j == h + 1;
            At(s, x + i, y + j) = edge ? border : fill;
        }
    }
}

constexpr uint32_t kBorder = 0xFF00FF;

TEST_F(PixTest, PackingFollowsTheFormatsShifts)
{
    SDL_Surface* argb = NewSurface(1, 1, false, kA);
    EXPECT_EQ(PIX_Pack(xrgb_->format, 0x12345678), 0x00345678u) << "no alpha channel takes no alpha";
    EXPECT_EQ(PIX_Pack(bgr_->format, 0x00345678), 0x00785634u);
    EXPECT_EQ(PIX_Pack(argb->format, 0x12345678), 0x12345678u);
    EXPECT_EQ(PIX_Unpack(bgr_->format, 0x00785634), 0x00345678u);
    EXPECT_EQ(PIX_Unpack(argb->format, 0x9A345678), 0x9A345678u);
    EXPECT_EQ(PIX_Unpack(xrgb_->format, 0xFF345678), 0x00345678u) << "bits outside the masks are no alpha";
    SDL_FreeSurface(argb);
}

TEST_F(PixTest, LoadsWithColourKeyOrSurfaceAlphaIntoTheTargetOrder)
{
    auto colour = [](int x, int y) { return static_cast<uint32_t>(0x102030 + x * 0x10000 + y * 0x100); };
    const std::string path = SavePicture("p.bmp", 4, 3, colour);

    SDL_Surface* s = PIX_LoadBMP(path.c_str(), nullptr, -1, 0x808081, xrgb_->format, 0);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->w, 4);
    EXPECT_EQ(s->h, 3);
    EXPECT_NE(s->flags & SDL_SRCCOLORKEY, 0u);
    EXPECT_EQ(s->format->colorkey, 0x808081u);
    EXPECT_EQ(s->format->Amask, 0u);
    for (int y = 0; y < 3; y++) {
        for (int x = 0; x < 4; x++) {
            EXPECT_EQ(At(s, x, y) & 0xFFFFFF, colour(x, y)) << x << "," << y;
        }
    }
    SDL_FreeSurface(s);

    s = PIX_LoadBMP(path.c_str(), "", 128, 0x808081, bgr_->format, 0);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->format->colorkey, 0x818080u) << "key packed in the target's order";
    EXPECT_NE(s->flags & SDL_SRCALPHA, 0u);
    EXPECT_EQ(s->format->alpha, 128);
    EXPECT_EQ(At(s, 1, 2) & 0xFFFFFF, 0x302211u) << "pixels laid out blue first";
    SDL_FreeSurface(s);

    s = PIX_LoadBMP(path.c_str(), nullptr, -1, -1, xrgb_->format, 0);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->flags & (SDL_SRCCOLORKEY | SDL_SRCALPHA), 0u);
    SDL_FreeSurface(s);
}

TEST_F(PixTest, MaskGivesAlphaFromRawIndices)
{
    const std::string picture = SavePicture("m.c.bmp", 3, 2, [](int x, int y) { return 0x112233u + x + 16 * y; });
    const std::vector<uint8_t> indices = {0, 10, 100, 200, 255, 7};
    const std::string mask = SaveMask("m.a.bmp", 3, 2, indices);

    SDL_Surface* s = PIX_LoadBMP(picture.c_str(), mask.c_str(), 50, 0x123456, xrgb_->format, 0);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->format->Amask, kA);
    EXPECT_EQ(s->flags & SDL_SRCCOLORKEY, 0u) << "the key is ignored with a mask";
    EXPECT_NE(s->flags & SDL_SRCALPHA, 0u) << "a masked picture blends when blitted";
    for (int y = 0; y < 2; y++) {
        for (int x = 0; x < 3; x++) {
            const uint32_t p = At(s, x, y);
            EXPECT_EQ(p >> 24, indices[static_cast<size_t>(y * 3 + x)]) << "alpha is the index at " << x << "," << y;
            EXPECT_EQ(p & 0xFFFFFF, 0x112233u + x + 16 * y);
        }
    }
    SDL_Surface* under = SDL_CreateRGBSurface(SDL_SWSURFACE, 3, 2, 32, 0xFF0000, 0xFF00, 0xFF, 0);
    ASSERT_NE(under, nullptr);
    SDL_FillRect(under, nullptr, 0);
    SDL_BlitSurface(s, nullptr, under, nullptr);
    EXPECT_EQ(At(under, 0, 0) & 0xFFFFFF, 0u) << "mask index 0 leaves what lies under it";
    EXPECT_EQ(At(under, 1, 1) & 0xFFFFFF, 0x112233u + 1 + 16) << "mask index 255 covers it";
    SDL_FreeSurface(under);
    SDL_FreeSurface(s);

    const std::string small = SaveMask("small.a.bmp", 2, 2, {1, 2, 3, 4});
    EXPECT_EQ(PIX_LoadBMP(picture.c_str(), small.c_str(), -1, -1, xrgb_->format, 0), nullptr)
        << "mask of another size";
    const std::string deep = SaveMask("deep.a.bmp", 3, 2, {}, 24);
    EXPECT_EQ(PIX_LoadBMP(picture.c_str(), deep.c_str(), -1, -1, xrgb_->format, 0), nullptr) << "24-bit mask";
    const std::string missing = Path("none.a.bmp");
    EXPECT_EQ(PIX_LoadBMP(picture.c_str(), missing.c_str(), -1, -1, xrgb_->format, 0), nullptr);
}

TEST_F(PixTest, BadFilesAndArgumentsGiveNull)
{
    const std::string good = SavePicture("good.bmp", 8, 8, [](int x, int y) { return 0x010203u * (x + y); });
    const std::vector<uint8_t> bytes = ReadFile(good);
    ASSERT_GT(bytes.size(), 54u);
    const int64_t live = MEM_LiveBlocks();

    EXPECT_EQ(PIX_LoadBMP(nullptr, nullptr, -1, -1, xrgb_->format, 0), nullptr);
    EXPECT_EQ(PIX_LoadBMP(Path("missing.bmp").c_str(), nullptr, -1, -1, xrgb_->format, 0), nullptr);

    std::vector<uint8_t> truncated(bytes.begin(), bytes.begin() + static_cast<long>(bytes.size() / 2));
    EXPECT_EQ(PIX_LoadBMP(WriteFile("cut.bmp", truncated).c_str(), nullptr, -1, -1, xrgb_->format, 0), nullptr);
    std::vector<uint8_t> header(bytes.begin(), bytes.begin() + 20);
    EXPECT_EQ(PIX_LoadBMP(WriteFile("head.bmp", header).c_str(), nullptr, -1, -1, xrgb_->format, 0), nullptr);

    std::vector<uint8_t> magic = bytes;
    magic[0] = 'M';
    magic[1] = 'B';
    EXPECT_EQ(PIX_LoadBMP(WriteFile("magic.bmp", magic).c_str(), nullptr, -1, -1, xrgb_->format, 0), nullptr);

    std::vector<uint8_t> huge = bytes;
    Put32(huge, 18, 100000);
    Put32(huge, 22, 100000);
    EXPECT_EQ(PIX_LoadBMP(WriteFile("huge.bmp", huge).c_str(), nullptr, -1, -1, xrgb_->format, 0), nullptr);

    std::vector<uint8_t> empty = bytes;
    Put32(empty, 18, 0);
    Put32(empty, 22, 0);
    EXPECT_EQ(PIX_LoadBMP(WriteFile("empty.bmp", empty).c_str(), nullptr, -1, -1, xrgb_->format, 0), nullptr);

    const std::string one = SavePicture("one.bmp", 1, 1, [](int, int) { return 0xABCDEFu; });
    SDL_Surface* dot = PIX_LoadBMP(one.c_str(), nullptr, -1, -1, xrgb_->format, 0);
    ASSERT_NE(dot, nullptr) << "a single pixel is still a picture";
    EXPECT_EQ(At(dot, 0, 0) & 0xFFFFFF, 0xABCDEFu);
    SDL_FreeSurface(dot);
    EXPECT_EQ(PIX_LoadImage(one.c_str(), nullptr, -1, -1, xrgb_->format, 0), nullptr) << "but holds no box";

    EXPECT_EQ(PIX_LoadBMP(good.c_str(), nullptr, 256, -1, xrgb_->format, 0), nullptr);
    EXPECT_EQ(PIX_LoadBMP(good.c_str(), nullptr, 65535, -1, xrgb_->format, 0), nullptr);
    EXPECT_EQ(PIX_LoadBMP(good.c_str(), nullptr, -2, -1, xrgb_->format, 0), nullptr);
    EXPECT_EQ(PIX_LoadBMP(good.c_str(), nullptr, -1, 0x1000000, xrgb_->format, 0), nullptr);
    EXPECT_EQ(PIX_LoadBMP(good.c_str(), nullptr, -1, -2, xrgb_->format, 0), nullptr);

    SDL_Surface* rgb565 = SDL_CreateRGBSurface(SDL_SWSURFACE, 1, 1, 16, 0xF800, 0x07E0, 0x001F, 0);
    ASSERT_NE(rgb565, nullptr);
    MEM_ResetCounters();
    EXPECT_EQ(PIX_LoadBMP(good.c_str(), nullptr, -1, -1, rgb565->format, 0), nullptr);
    EXPECT_EQ(MEM_Points(), 0u) << "a 16-bit target fails before the file is opened";
    SDL_FreeSurface(rgb565);

    EXPECT_EQ(MEM_LiveBlocks(), live);
}

TEST_F(PixTest, LoadsFromMemoryStreams)
{
    const std::string path = SavePicture("mem.bmp", 5, 2, [](int x, int) { return 0x000100u * x; });
    std::vector<uint8_t> bytes = ReadFile(path);
    SDL_RWops* rw = SDL_RWFromMem(bytes.data(), static_cast<int>(bytes.size()));
    ASSERT_NE(rw, nullptr);
    SDL_Surface* s = PIX_LoadBMP_RW(rw, nullptr, -1, -1, xrgb_->format, 0);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(At(s, 4, 1) & 0xFFFFFF, 0x000400u);
    SDL_FreeSurface(s);
    SDL_RWclose(rw);

    std::vector<uint8_t> garbage(200);
    for (size_t i = 0; i < garbage.size(); i++) {
        garbage[i] = static_cast<uint8_t>(i * 37 + 11);
    }
    garbage[0] = 'B';
    garbage[1] = 'M';
    rw = SDL_RWFromMem(garbage.data(), static_cast<int>(garbage.size()));
    EXPECT_EQ(PIX_LoadBMP_RW(rw, nullptr, -1, -1, xrgb_->format, 0), nullptr);
    SDL_RWclose(rw);
    EXPECT_EQ(PIX_LoadBMP_RW(nullptr, nullptr, -1, -1, xrgb_->format, 0), nullptr);
}

TEST_F(PixTest, DisplayFormatIsTheDefaultTarget)
{
    SDL_Surface* screen = SDL_SetVideoMode(16, 16, 32, SDL_SWSURFACE);
    ASSERT_NE(screen, nullptr) << SDL_GetError();
    const std::string path = SavePicture("d.bmp", 2, 2, [](int, int) { return 0x405060u; });
    SDL_Surface* s = PIX_LoadBMP(path.c_str(), nullptr, -1, -1, nullptr, 0);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->format->Rmask, screen->format->Rmask);
    EXPECT_EQ(s->format->Bmask, screen->format->Bmask);
    EXPECT_EQ(PIX_Unpack(s->format, At(s, 1, 1)) & 0xFFFFFF, 0x405060u);
    SDL_FreeSurface(s);
}

TEST_F(PixTest, LoadFailsCleanlyAtEveryAllocation)
{
    const std::string picture = SavePicture("a.c.bmp", 3, 2, [](int x, int) { return 0x111111u * x; });
    const std::string mask = SaveMask("a.a.bmp", 3, 2, {1, 2, 3, 4, 5, 6});
    const int points = CheckEachAllocationFailure([&] {
        SDL_Surface* s = PIX_LoadBMP(picture.c_str(), mask.c_str(), -1, -1, xrgb_->format, 0);
        SDL_FreeSurface(s);
        return s != nullptr;
    });
    EXPECT_GE(points, 4) << "two files opened, two pictures loaded, one converted";
}

TEST_F(PixTest, CreateLikeDuplicateAndCopyKeepTheFormat)
{
    PaddedSurface model(4, 3, kR, kG, kB, 0);
    for (int y = 0; y < 3; y++) {
        for (int x = 0; x < 4; x++) {
            model.Px(x, y) = static_cast<uint32_t>(0x010101 * (x + 4 * y));
        }
    }
    SDL_SetColorKey(model.get(), SDL_SRCCOLORKEY, 0x050505);

    SDL_Surface* like = PIX_CreateLike(model.get(), 7, 2, 1);
    ASSERT_NE(like, nullptr);
    EXPECT_EQ(like->w, 7);
    EXPECT_EQ(like->format->Rmask, kR);
    EXPECT_EQ(like->format->Amask, kA) << "alpha in the bits the colours leave free";
    EXPECT_NE(like->flags & SDL_SRCCOLORKEY, 0u);
    EXPECT_EQ(like->format->colorkey, 0x050505u);
    SDL_FreeSurface(like);
    EXPECT_EQ(PIX_CreateLike(model.get(), 0, 2, 0), nullptr);
    EXPECT_EQ(PIX_CreateLike(nullptr, 2, 2, 0), nullptr);

    SDL_Surface* dup = PIX_Duplicate(model.get(), 0);
    ASSERT_NE(dup, nullptr);
    EXPECT_EQ(dup->format->Amask, 0u);
    for (int y = 0; y < 3; y++) {
        for (int x = 0; x < 4; x++) {
            EXPECT_EQ(At(dup, x, y), model.Px(x, y)) << "rows copied by pitch at " << x << "," << y;
        }
    }
    SDL_FreeSurface(dup);

    const SDL_Rect inside{1, 1, 3, 2};
    SDL_Surface* cut = PIX_CopyRect(model.get(), &inside);
    ASSERT_NE(cut, nullptr);
    EXPECT_EQ(cut->w, 3);
    EXPECT_EQ(cut->h, 2);
    EXPECT_EQ(At(cut, 0, 0), model.Px(1, 1));
    EXPECT_EQ(At(cut, 2, 1), model.Px(3, 2));
    EXPECT_EQ(cut->format->colorkey, 0x050505u);
    EXPECT_NE(cut->flags & SDL_SRCCOLORKEY, 0u);
    SDL_FreeSurface(cut);

    const SDL_Rect wide{2, 0, 3, 1};
    const SDL_Rect empty{0, 0, 0, 1};
    const SDL_Rect negative{-1, 0, 2, 1};
    EXPECT_EQ(PIX_CopyRect(model.get(), &wide), nullptr) << "past the right edge";
    EXPECT_EQ(PIX_CopyRect(model.get(), &empty), nullptr);
    EXPECT_EQ(PIX_CopyRect(model.get(), &negative), nullptr);
    EXPECT_EQ(PIX_CopyRect(model.get(), nullptr), nullptr);
}

// Two rows of boxes of different heights, the second row some rows below the first.
SDL_Surface* BoxedPicture()
{
    SDL_Surface* s = NewSurface(16, 16);
    SDL_FillRect(s, nullptr, 0x000000);
    DrawBox(s, 0, 0, 3, 2, kBorder, 0x110000);   // 5 x 4
    DrawBox(s, 6, 0, 2, 4, kBorder, 0x220000);   // 4 x 6, the tallest of the row
    DrawBox(s, 11, 0, 1, 1, kBorder, 0x330000);  // 3 x 3
    DrawBox(s, 2, 8, 4, 3, kBorder, 0x440000);   // second row, two blank rows above
    DrawBox(s, 9, 8, 5, 6, kBorder, 0x550000);
    return s;
}

TEST_F(PixTest, BoxCuttingFindsRowsOfBoxes)
{
    SDL_Surface* s = BoxedPicture();
    ASSERT_EQ(SDL_LockSurface(s), 0);
    PIX_BoxScan scan;
    PIX_BeginBoxScan(&scan, s);
    EXPECT_EQ(scan.border, kBorder) << "the top-left pixel gives the border colour";
    const SDL_Rect expected[] = {{1, 1, 3, 2}, {7, 1, 2, 4}, {12, 1, 1, 1}, {3, 9, 4, 3}, {10, 9, 5, 6}};
    for (const SDL_Rect& want : expected) {
        SDL_Rect got{};
        ASSERT_EQ(PIX_NextBox(&scan, s, &got), 1);
        EXPECT_EQ(got.x, want.x);
        EXPECT_EQ(got.y, want.y);
        EXPECT_EQ(got.w, want.w);
        EXPECT_EQ(got.h, want.h);
    }
    SDL_Rect none{};
    EXPECT_EQ(PIX_NextBox(&scan, s, &none), 0);
    SDL_UnlockSurface(s);

    uint16_t count = 0;
    SDL_Surface** frames = PIX_CutFrames(s, &count);
    ASSERT_NE(frames, nullptr);
    ASSERT_EQ(count, 5);
    EXPECT_EQ(frames[1]->w, 2);
    EXPECT_EQ(frames[1]->h, 4);
    EXPECT_EQ(At(frames[1], 1, 3), 0x220000u);
    EXPECT_EQ(At(frames[4], 4, 5), 0x550000u);
    PIX_FreeFrames(frames, count);
    SDL_FreeSurface(s);
}

TEST_F(PixTest, MalformedBoxesFailTheCut)
{
    uint16_t count = 7;
    SDL_Surface* open = NewSurface(8, 6);
    SDL_FillRect(open, nullptr, 0);
    DrawBox(open, 0, 0, 3, 3, kBorder, 0x101010);
    for (int y = 1; y < 5; y++) {
        At(open, 4, y) = 0x101010;  // no right edge
    }
    EXPECT_EQ(PIX_CutFrames(open, &count), nullptr);
    EXPECT_EQ(count, 0);

    SDL_Surface* cropped = NewSurface(8, 4);
    SDL_FillRect(cropped, nullptr, 0);
    DrawBox(cropped, 0, 0, 3, 2, kBorder, 0x101010);
    for (int x = 1; x < 4; x++) {
        At(cropped, x, 3) = 0x101010;  // its bottom edge lies below the picture
    }
    EXPECT_EQ(PIX_CutFrames(cropped, &count), nullptr);

    SDL_Surface* line = NewSurface(8, 4);
    SDL_FillRect(line, nullptr, 0);
    for (int x = 0; x < 6; x++) {
        At(line, x, 0) = kBorder;
    }
    EXPECT_EQ(PIX_CutFrames(line, &count), nullptr) << "a top edge alone";

    SDL_Surface* none = NewSurface(4, 4);
    SDL_FillRect(none, nullptr, 0x123456);
    At(none, 0, 0) = 0x000001;
    EXPECT_EQ(PIX_CutFrames(none, &count), nullptr) << "a lone corner pixel";

    const std::string path = Path("open.bmp");
    ASSERT_EQ(SDL_SaveBMP(open, path.c_str()), 0);
    EXPECT_EQ(PIX_LoadImage(path.c_str(), nullptr, -1, -1, xrgb_->format, 0), nullptr);
    EXPECT_EQ(PIX_ImageList()->first, nullptr);
    SDL_FreeSurface(open);
    SDL_FreeSurface(cropped);
    SDL_FreeSurface(line);
    SDL_FreeSurface(none);
}

TEST_F(PixTest, ImagesAreSharedByNameAndArguments)
{
    SDL_Surface* boxes = BoxedPicture();
    const std::string path = Path("boxes.bmp");
    ASSERT_EQ(SDL_SaveBMP(boxes, path.c_str()), 0);
    SDL_FreeSurface(boxes);

    PIX_Image* first = PIX_LoadImage(path.c_str(), nullptr, -1, -1, xrgb_->format, 0);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->frameCount, 5);
    EXPECT_EQ(first->refCount, 1u);
    EXPECT_STREQ(first->maskName, "");
    EXPECT_EQ(At(first->frames[3], 3, 2) & 0xFFFFFF, 0x440000u);

    PIX_Image* again = PIX_LoadImage(path.c_str(), "", -1, -1, bgr_->format, 0);
    EXPECT_EQ(again, first) << "same names and arguments, whatever the format";
    EXPECT_EQ(first->refCount, 2u);

    PIX_Image* keyed = PIX_LoadImage(path.c_str(), nullptr, -1, 0x000000, xrgb_->format, 0);
    ASSERT_NE(keyed, nullptr);
    EXPECT_NE(keyed, first) << "another colour key is another image";
    EXPECT_EQ(PIX_ImageList()->first, &keyed->node) << "newest first";
    EXPECT_EQ(NODE_Count(PIX_ImageList()), 2u);

    PIX_ReleaseImage(first);
    EXPECT_EQ(first->refCount, 1u);
    EXPECT_EQ(NODE_Count(PIX_ImageList()), 2u);
    PIX_ReleaseAllImages();
    EXPECT_EQ(PIX_ImageList()->first, nullptr) << "the last references dropped";

    std::string longName(300, 'a');
    EXPECT_EQ(PIX_LoadImage(longName.c_str(), nullptr, -1, -1, xrgb_->format, 0), nullptr);

    PIX_Image* a = PIX_LoadImage(path.c_str(), nullptr, -1, -1, xrgb_->format, 0);
    PIX_Image* b = PIX_LoadImage(path.c_str(), nullptr, -1, -1, xrgb_->format, 0);
    ASSERT_EQ(a, b);
    PIX_FreeImage(a);
    EXPECT_EQ(PIX_ImageList()->first, nullptr) << "freed whatever its count";
    PIX_ReleaseImage(nullptr);
    PIX_FreeImage(nullptr);

    const int points = CheckEachAllocationFailure([&] {
        PIX_Image* image = PIX_LoadImage(path.c_str(), nullptr, -1, 0x123456, xrgb_->format, 0);
        PIX_ReleaseImage(image);
        return image != nullptr;
    });
    EXPECT_GE(points, 8) << "file, picture, conversion, frame table, five frames, record";
}

TEST_F(PixTest, BlitsPlaceTheCornerOrTheCentre)
{
    SDL_Surface* dest = NewSurface(20, 20);
    SDL_Surface* dot = NewSurface(5, 5);
    SDL_FillRect(dest, nullptr, 0);
    SDL_FillRect(dot, nullptr, 0xFFFFFF);
    EXPECT_EQ(PIX_BlitCentred(dot, dest, 10, 10), 0);
    EXPECT_EQ(At(dest, 8, 8), 0xFFFFFFu);
    EXPECT_EQ(At(dest, 7, 8), 0u);
    EXPECT_EQ(At(dest, 8, 7), 0u);
    EXPECT_EQ(At(dest, 12, 12), 0xFFFFFFu);
    EXPECT_EQ(At(dest, 13, 12), 0u);
    SDL_FillRect(dest, nullptr, 0);
    EXPECT_EQ(PIX_BlitAt(dot, dest, 15, 0), 0);
    EXPECT_EQ(At(dest, 15, 0), 0xFFFFFFu);
    EXPECT_EQ(At(dest, 14, 0), 0u);
    EXPECT_LT(PIX_BlitAt(nullptr, dest, 0, 0), 0);
    EXPECT_LT(PIX_BlitCentred(dot, nullptr, 0, 0), 0);
    SDL_FreeSurface(dot);
    SDL_FreeSurface(dest);
}

TEST_F(PixTest, NinePartRectangles)
{
    SDL_Surface* pic = NewSurface(10, 8);
    PIX_Frame* f = PIX_NewFrame(pic, 2, 1, 3, 2);
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->picture, pic);
    const SDL_Rect want[PIX_PART_COUNT] = {
        {0, 0, 3, 2}, {8, 0, 2, 2}, {0, 7, 3, 1}, {8, 7, 2, 1},  // corners
        {3, 0, 5, 2}, {3, 7, 5, 1}, {0, 2, 3, 5}, {8, 2, 2, 5},  // edges
        {3, 2, 5, 5},                                            // centre
    };
    for (int i = 0; i < PIX_PART_COUNT; i++) {
        EXPECT_EQ(f->parts[i].x, want[i].x) << "part " << i;
        EXPECT_EQ(f->parts[i].y, want[i].y) << "part " << i;
        EXPECT_EQ(f->parts[i].w, want[i].w) << "part " << i;
        EXPECT_EQ(f->parts[i].h, want[i].h) << "part " << i;
    }
    PIX_FreeFrame(f);
    EXPECT_EQ(PIX_NewFrame(pic, 2, 1, 5, 5), nullptr) << "left + right = width";
    EXPECT_EQ(PIX_NewFrame(pic, 4, 4, 1, 1), nullptr) << "top + bottom = height";
    EXPECT_EQ(PIX_NewFrame(pic, 0, 1, 1, 1), nullptr);
    EXPECT_EQ(PIX_NewFrame(nullptr, 1, 1, 1, 1), nullptr);
    PIX_FreeFrame(nullptr);
    CheckEachAllocationFailure([&] {
        PIX_Frame* frame = PIX_NewFrame(pic, 1, 1, 1, 1);
        PIX_FreeFrame(frame);
        return frame != nullptr;
    });
    SDL_FreeSurface(pic);
}

// A 4 x 3 border picture, one-pixel borders, each part its own colour; the centre is two
// pixels wide, P then Q, so that tiling (not stretching) shows.
constexpr uint32_t kTL = 0x000001, kTR = 0x000002, kBL = 0x000003, kBR = 0x000004;
constexpr uint32_t kTop = 0x000010, kBottom = 0x000020, kLeft = 0x000030, kRight = 0x000040;
constexpr uint32_t kP = 0x100000, kQ = 0x200000, kBack = 0x777777;

SDL_Surface* BorderPicture()
{
    SDL_Surface* s = NewSurface(4, 3);
    const uint32_t rows[3][4] = {{kTL, kTop, kTop, kTR}, {kLeft, kP, kQ, kRight}, {kBL, kBottom, kBottom, kBR}};
    for (int y = 0; y < 3; y++) {
        for (int x = 0; x < 4; x++) {
            At(s, x, y) = rows[y][x];
        }
    }
    return s;
}

TEST_F(PixTest, FrameTilesIntoTheClipAndRestoresIt)
{
    SDL_Surface* pic = BorderPicture();
    PIX_Frame* f = PIX_NewFrame(pic, 1, 1, 1, 1);
    ASSERT_NE(f, nullptr);
    SDL_Surface* dest = NewSurface(20, 12);
    SDL_FillRect(dest, nullptr, kBack);

    // Unclipped: an 8 x 5 rectangle at (1, 1); inner area x 2..7, y 2..4.
    SDL_Rect r{1, 1, 8, 5};
    PIX_DrawFrame(f, dest, &r);
    EXPECT_EQ(At(dest, 1, 1), kTL);
    EXPECT_EQ(At(dest, 8, 1), kTR);
    EXPECT_EQ(At(dest, 1, 5), kBL);
    EXPECT_EQ(At(dest, 8, 5), kBR);
    for (int x = 2; x < 8; x++) {
        EXPECT_EQ(At(dest, x, 3), (x % 2 == 0) ? kP : kQ) << "centre tiled at " << x;
        EXPECT_EQ(At(dest, x, 1), kTop);
        EXPECT_EQ(At(dest, x, 5), kBottom);
    }
    for (int y = 2; y < 5; y++) {
        EXPECT_EQ(At(dest, 1, y), kLeft);
        EXPECT_EQ(At(dest, 8, y), kRight);
    }
    EXPECT_EQ(At(dest, 9, 3), kBack) << "nothing right of the rectangle";
    EXPECT_EQ(At(dest, 4, 6), kBack) << "nothing below it";

    // An odd inner width cuts the last tile at the right edge.
    SDL_FillRect(dest, nullptr, kBack);
    r = SDL_Rect{0, 0, 7, 3};
    PIX_DrawFrame(f, dest, &r);
    EXPECT_EQ(At(dest, 5, 1), kP);
    EXPECT_EQ(At(dest, 6, 1), kRight) << "the tile's Q half stays cut off";

    // Clipped: only the part inside the clip rectangle changes, and the clip comes back.
    SDL_FillRect(dest, nullptr, kBack);
    const SDL_Rect clip{3, 2, 4, 10};
    SDL_SetClipRect(dest, &clip);
    r = SDL_Rect{1, 1, 12, 5};
    PIX_DrawFrame(f, dest, &r);
    for (int y = 0; y < 12; y++) {
        for (int x = 0; x < 20; x++) {
            const bool inClip = x >= 3 && x < 7 && y >= 2;
            const bool inRect = x >= 1 && x < 13 && y >= 1 && y < 6;
            if (!inClip || !inRect) {
                EXPECT_EQ(At(dest, x, y), kBack) << "outside clip or rectangle at " << x << "," << y;
            }
        }
    }
    EXPECT_EQ(At(dest, 3, 3), kQ);
    EXPECT_EQ(At(dest, 4, 3), kP);
    EXPECT_EQ(At(dest, 5, 5), kBottom);
    SDL_Rect after;
    SDL_GetClipRect(dest, &after);
    EXPECT_EQ(after.x, clip.x);
    EXPECT_EQ(after.y, clip.y);
    EXPECT_EQ(after.w, clip.w);
    EXPECT_EQ(after.h, 10);

    // A rectangle no wider than its borders draws corners only, and a huge one stays cheap.
    SDL_SetClipRect(dest, nullptr);
    SDL_FillRect(dest, nullptr, kBack);
    r = SDL_Rect{0, 0, 2, 2};
    PIX_DrawFrame(f, dest, &r);
    EXPECT_EQ(At(dest, 0, 0), kTL);
    EXPECT_EQ(At(dest, 1, 1), kBR);
    r = SDL_Rect{-30000, -30000, 65535, 65535};
    PIX_DrawFrame(f, dest, &r);
    EXPECT_EQ(At(dest, 10, 10), kQ) << "column 30009 of the centre tiling";
    PIX_DrawFrame(nullptr, dest, &r);
    PIX_DrawFrame(f, nullptr, &r);

    PIX_FreeFrame(f);
    SDL_FreeSurface(dest);
    SDL_FreeSurface(pic);
}

TEST_F(PixTest, TintClampsAndKeepsAlphaAndKey)
{
    PaddedSurface s(3, 2, kR, kG, kB, kA);
    s.Px(0, 0) = 0x40FF6400;  // 255, 100, 0 with alpha 0x40
    s.Px(1, 0) = 0x80FFFFFF;
    s.Px(2, 0) = 0x00010203;  // the colour key
    s.Px(0, 1) = 0xFF0A0A0A;
    s.Px(1, 1) = 0x00C86432;
    s.Px(2, 1) = 0x00FFFFFF;
    s.get()->format->colorkey = 0x00010203;

    PIX_TintKeyed(s.get(), 100, -50, 10);
    EXPECT_EQ(s.Px(0, 0), 0x40FF3200u) << "+100 % clamps at 255, -50 % halves, 0 stays 0";
    EXPECT_EQ(s.Px(1, 0), 0x80FF80FFu) << "-50 % of 255 gives 128, +10 % clamps";
    EXPECT_EQ(s.Px(2, 0), 0x00010203u) << "the key pixel is left alone";
    EXPECT_EQ(s.Px(0, 1), 0xFF14050Bu);
    EXPECT_EQ(s.Px(1, 1), 0x00FF3237u);
    EXPECT_TRUE(s.GuardsIntact());

    PIX_Tint(s.get(), -100, -200, 0);
    EXPECT_EQ(s.Px(2, 0), 0x00000003u) << "the plain form changes the key too";
    EXPECT_EQ(s.Px(0, 0), 0x40000000u) << "below -100 % stays at 0";
    EXPECT_TRUE(s.GuardsIntact());

    PaddedSurface bgr(1, 1, kB, kG, kR, 0);
    bgr.Px(0, 0) = 0x00000080;  // red 128 in a blue-first layout
    PIX_Tint(bgr.get(), 50, 0, 0);
    EXPECT_EQ(bgr.Px(0, 0), 0x000000C0u) << "channels found by the format's shifts";
}

TEST_F(PixTest, GreyWeighsTheChannels)
{
    PaddedSurface s(5, 1, kR, kG, kB, kA);
    s.Px(0, 0) = 0x11FF0000;
    s.Px(1, 0) = 0x2200FF00;
    s.Px(2, 0) = 0x330000FF;
    s.Px(3, 0) = 0x44FFFFFF;
    s.Px(4, 0) = 0x00ABCDEF;
    s.get()->format->colorkey = 0x00ABCDEF;
    PIX_GreyKeyed(s.get());
    EXPECT_EQ(s.Px(0, 0), 0x114C4C4Cu) << "red alone gives 76";
    EXPECT_EQ(s.Px(1, 0), 0x22959595u) << "green alone gives 149";
    EXPECT_EQ(s.Px(2, 0), 0x331D1D1Du) << "blue alone gives 29";
    EXPECT_EQ(s.Px(3, 0), 0x44FFFFFFu);
    EXPECT_EQ(s.Px(4, 0), 0x00ABCDEFu) << "key left alone";
    PIX_Grey(s.get());
    EXPECT_EQ(s.Px(4, 0), 0x00C6C6C6u);
    EXPECT_TRUE(s.GuardsIntact());
}

TEST_F(PixTest, ReplaceColourKeepsAlpha)
{
    PaddedSurface s(3, 1, kR, kG, kB, kA);
    s.Px(0, 0) = 0x40000000;
    s.Px(1, 0) = 0x80123456;
    s.Px(2, 0) = 0xFF000001;
    PIX_ReplaceColour(s.get(), 0xFF000000, 0x00000000, 0x00FFFFFF);
    EXPECT_EQ(s.Px(0, 0), 0x40000000u) << "black stays black whatever the match's alpha";
    EXPECT_EQ(s.Px(1, 0), 0x80FFFFFFu);
    EXPECT_EQ(s.Px(2, 0), 0xFFFFFFFFu);
    EXPECT_TRUE(s.GuardsIntact());
}

// Blits the surface onto a fresh 0x00RRGGBB surface and reads back pixel (x, y).
uint32_t SeenAfterBlit(SDL_Surface* s, int x, int y, uint32_t background = 0x0000FF00)
{
    SDL_Surface* dest = NewSurface(s->w, s->h);
    SDL_FillRect(dest, nullptr, background);
    SDL_BlitSurface(s, nullptr, dest, nullptr);
    const uint32_t seen = At(dest, x, y) & 0xFFFFFF;
    SDL_FreeSurface(dest);
    return seen;
}

TEST_F(PixTest, ReformatBetweenChannelOrders)
{
    // Without alpha: red, and the key (128, 128, 129) which must stay transparent.
    SDL_Surface* s = NewSurface(2, 1);
    At(s, 0, 0) = 0x00FF0000;
    At(s, 1, 0) = 0x00808081;
    SDL_SetColorKey(s, SDL_SRCCOLORKEY, 0x00808081);
    SDL_Surface* turned = PIX_Reformat(s, bgr_->format);
    ASSERT_NE(turned, nullptr);
    EXPECT_EQ(turned->format->Rmask, kB) << "red now in the low byte";
    EXPECT_EQ(At(turned, 0, 0), 0x000000FFu);
    EXPECT_EQ(turned->format->colorkey, 0x00818080u) << "key re-packed";
    EXPECT_NE(turned->flags & SDL_SRCCOLORKEY, 0u);
    EXPECT_EQ(SeenAfterBlit(turned, 0, 0), 0xFF0000u) << "still red when blitted";
    EXPECT_EQ(SeenAfterBlit(turned, 1, 0), 0x00FF00u) << "key pixel still left out";

    // Back to the original order: the same surface, rewritten in place.
    SDL_Surface* back = PIX_Reformat(turned, bgr_->format);
    EXPECT_EQ(back, turned) << "order already matches";
    SDL_Surface* again = PIX_Reformat(back, xrgb_->format);
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(At(again, 0, 0), 0x00FF0000u);
    EXPECT_EQ(SeenAfterBlit(again, 0, 0), 0xFF0000u);
    SDL_FreeSurface(again);

    // With alpha: every channel moves, alpha included.
    SDL_Surface* a = NewSurface(1, 1, false, kA);
    At(a, 0, 0) = 0x80FF2010;
    SDL_Surface* model = NewSurface(1, 1, true, kA);
    SDL_Surface* moved = PIX_Reformat(a, model->format);
    ASSERT_NE(moved, nullptr);
    EXPECT_EQ(moved->format->Amask, kA);
    EXPECT_EQ(At(moved, 0, 0), 0x801020FFu);
    SDL_SetAlpha(moved, 0, 255);
    EXPECT_EQ(SeenAfterBlit(moved, 0, 0), 0xFF2010u);
    SDL_SetAlpha(moved, SDL_SRCALPHA, 255);
    const uint32_t blended = SeenAfterBlit(moved, 0, 0, 0);
    EXPECT_NEAR(static_cast<int>(blended >> 16), 0x80, 1) << "half of each channel over black";
    EXPECT_NEAR(static_cast<int>(blended >> 8 & 255), 0x10, 1);
    EXPECT_NEAR(static_cast<int>(blended & 255), 0x08, 1);
    SDL_FreeSurface(moved);
    SDL_FreeSurface(model);

    // In place, no alpha: the spare bits are cleared.
    PaddedSurface p(2, 1, kR, kG, kB, 0);
    p.Px(0, 0) = 0xAB123456;
    p.Px(1, 0) = 0x00654321;
    EXPECT_EQ(PIX_Reformat(p.get(), xrgb_->format), p.get());
    EXPECT_EQ(p.Px(0, 0), 0x00123456u);
    EXPECT_EQ(p.Px(1, 0), 0x00654321u);
    EXPECT_TRUE(p.GuardsIntact());

    SDL_Surface* rgb565 = SDL_CreateRGBSurface(SDL_SWSURFACE, 1, 1, 16, 0xF800, 0x07E0, 0x001F, 0);
    SDL_Surface* keep = NewSurface(1, 1);
    EXPECT_EQ(PIX_Reformat(keep, rgb565->format), nullptr);
    EXPECT_EQ(PIX_Reformat(rgb565, xrgb_->format), nullptr);
    EXPECT_EQ(PIX_Reformat(nullptr, xrgb_->format), nullptr);
    SDL_FreeSurface(rgb565);

    SDL_Surface* spare = NewSurface(3, 3);
    MEM_FailAt(1);
    EXPECT_EQ(PIX_Reformat(spare, bgr_->format), nullptr) << "a failed allocation reports NULL";
    MEM_FailAt(0);
    EXPECT_EQ(spare->format->Rmask, kR) << "and leaves the surface as it was";
    SDL_FreeSurface(spare);
    SDL_FreeSurface(keep);
}

}  // namespace
