#include "toolkit/gfx/pix.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <tuple>
#include <vector>

#include "tests/support/alloc_check.h"
#include "tests/support/surface_util.h"
#include "util/mem.h"

namespace {

constexpr uint32_t kR = kRedMask, kG = kGreenMask, kB = kBlueMask, kA = kAlphaMask;
constexpr uint32_t kBorder = 0xFF00FF;

class PixTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO), 0) << SDL_GetError(); }
    static void TearDownTestSuite() { SDL_Quit(); }
    void TearDown() override
    {
        PIX_FreeAllImages();
        SDL_FreeSurface(xrgb_);
        SDL_FreeSurface(bgr_);
        SDL_FreeSurface(rgb565_);
    }

    SDL_Surface* Load(const std::string& path, const char* mask = nullptr, int32_t alpha = -1, int32_t key = -1)
    {
        return PIX_LoadBMP(path.c_str(), mask, alpha, key, xrgb_->format, 0);
    }
    std::string SavePicture(const char* name, int w, int h, const std::function<uint32_t(int, int)>& colour)
    {
        SDL_Surface* s = NewSurface32(w, h);
        FillFrom(s, colour);
        return dir_.SaveBMP(s, name);
    }
    // An 8-bit mask whose palette entry i is the grey 255 - i, so that only a loader using
    // the raw index gets the alpha right.
    std::string SaveMask(const char* name, int w, int h, const std::vector<uint8_t>& indices)
    {
        SDL_Surface* s = SDL_CreateRGBSurface(SDL_SWSURFACE, w, h, 8, 0, 0, 0, 0);
        SDL_Color colours[256];
        for (int i = 0; i < 256; i++) {
            const auto g = static_cast<Uint8>(255 - i);
            colours[i] = SDL_Color{g, g, g, 0};
        }
        SDL_SetColors(s, colours, 0, 256);
        for (int i = 0; i < w * h; i++) {
            static_cast<uint8_t*>(s->pixels)[i / w * s->pitch + i % w] = indices[static_cast<size_t>(i)];
        }
        return dir_.SaveBMP(s, name);
    }

    TempDir dir_;
    SDL_Surface* xrgb_ = NewSurface32(1, 1);
    SDL_Surface* bgr_ = NewSurface32(1, 1, 0, true);
    SDL_Surface* rgb565_ = SDL_CreateRGBSurface(SDL_SWSURFACE, 1, 1, 16, 0xF800, 0x07E0, 0x001F, 0);
};

// A one-pixel box of `border` around an interior of w x h at (x, y) filled with `fill`.
void DrawBox(SDL_Surface* s, int x, int y, int w, int h, uint32_t fill)
{
    FillBox(s, x, y, w + 2, h + 2, kBorder);
    FillBox(s, x + 1, y + 1, w, h, fill);
}

// Two rows of boxes of different heights, the second row some rows below the first.
SDL_Surface* BoxedPicture()
{
    SDL_Surface* s = NewSurface32(16, 16);
    DrawBox(s, 0, 0, 3, 2, 0x110000);
    DrawBox(s, 6, 0, 2, 4, 0x220000);  // the tallest of the row
    DrawBox(s, 11, 0, 1, 1, 0x330000);
    DrawBox(s, 2, 8, 4, 3, 0x440000);  // second row, two blank rows above
    DrawBox(s, 9, 8, 5, 6, 0x550000);
    return s;
}

// The first w columns of the first h rows, one character a pixel, rows ended by '/'.
std::string Rows(SDL_Surface* s, int w, int h)
{
    std::string out;
    for (int i = 0; i < w * h; i++) {
        out += static_cast<char>(PixelAt(s, i % w, i / w));
        out += i % w == w - 1 ? "/" : "";
    }
    return out;
}

TEST_F(PixTest, LoadsWithColourKeyOrSurfaceAlphaIntoTheTargetOrder)
{
    auto colour = [](int x, int y) { return static_cast<uint32_t>(0x102030 + x * 0x10000 + y * 0x100); };
    const std::string path = SavePicture("p.bmp", 4, 3, colour);

    SDL_Surface* s = Load(path, nullptr, -1, 0x808081);
    ASSERT_NE(s, nullptr);
    EXPECT_TRUE(s->w == 4 && s->h == 3 && (s->flags & SDL_SRCCOLORKEY) && s->format->Amask == 0);
    EXPECT_EQ(s->format->colorkey, 0x808081u);
    for (int i = 0; i < 12; i++) {
        EXPECT_EQ(PixelAt(s, i % 4, i / 4) & 0xFFFFFF, colour(i % 4, i / 4)) << "pixel " << i;
    }
    SDL_FreeSurface(s);

    s = PIX_LoadBMP(path.c_str(), "", 128, 0x808081, bgr_->format, 0);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->format->colorkey, 0x818080u) << "key packed in the target's order";
    EXPECT_TRUE((s->flags & SDL_SRCALPHA) && s->format->alpha == 128) << "surface alpha";
    EXPECT_EQ(PixelAt(s, 1, 2) & 0xFFFFFF, 0x302211u) << "pixels laid out blue first";
    SDL_FreeSurface(s);
}

TEST_F(PixTest, MaskGivesAlphaFromRawIndices)
{
    auto colour = [](int x, int y) { return 0x112233u + x + 16 * y; };
    const std::string picture = SavePicture("m.c.bmp", 3, 2, colour);
    const std::vector<uint8_t> indices = {0, 10, 100, 200, 255, 7};
    const std::string mask = SaveMask("m.a.bmp", 3, 2, indices);

    SDL_Surface* s = Load(picture, mask.c_str(), 50, 0x123456);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->format->Amask, kA);
    EXPECT_EQ(s->flags & (SDL_SRCCOLORKEY | SDL_SRCALPHA), SDL_SRCALPHA) << "blends when blitted, the key ignored";
    for (int i = 0; i < 6; i++) {
        EXPECT_EQ(PixelAt(s, i % 3, i / 3), static_cast<uint32_t>(indices[static_cast<size_t>(i)]) << 24 |
                                                  colour(i % 3, i / 3))
            << "alpha is the raw index at pixel " << i;
    }
    SDL_FreeSurface(s);

    const std::string bad[] = {SaveMask("small.a.bmp", 2, 2, {1, 2, 3, 4}),
                               SavePicture("deep.a.bmp", 3, 2, [](int, int) { return 0x808080u; }),
                               dir_.Path("none.a.bmp")};
    for (const std::string& m : bad) {
        EXPECT_EQ(Load(picture, m.c_str()), nullptr) << "mask " << m << " (other size, 24 bits, missing)";
    }
    const int points = CheckEachAllocationFailure([&] {
        SDL_Surface* made = Load(picture, mask.c_str());
        SDL_FreeSurface(made);
        return made != nullptr;
    });
    EXPECT_GE(points, 4) << "two files opened, two pictures loaded, one converted";
}

TEST_F(PixTest, BadFilesAndArgumentsGiveNull)
{
    const std::string good = SavePicture("good.bmp", 8, 8, [](int x, int y) { return 0x010203u * (x + y); });
    const std::vector<uint8_t> bytes = ReadBytes(good);
    ASSERT_GT(bytes.size(), 54u);
    const int64_t live = MEM_LiveBlocks();
    auto patched = [&](size_t at, std::vector<uint8_t> with) {
        std::vector<uint8_t> b = bytes;
        std::copy(with.begin(), with.end(), b.begin() + static_cast<long>(at));
        return b;
    };
    const struct {
        const char* what;
        std::vector<uint8_t> bytes;
    } files[] = {
        {"the good file loads from memory", bytes},
        {"truncated", {bytes.begin(), bytes.begin() + static_cast<long>(bytes.size() / 2)}},
        {"header only", {bytes.begin(), bytes.begin() + 20}},
        {"wrong magic", patched(0, {'M', 'B'})},
        {"100000 x 100000", patched(18, {0xA0, 0x86, 1, 0, 0xA0, 0x86, 1, 0})},
        {"0 x 0", patched(18, {0, 0, 0, 0, 0, 0, 0, 0})},
        {"2 bits a pixel, a depth the loader does not take", patched(28, {2, 0})},
    };
    for (const auto& f : files) {
        SDL_RWops* rw = SDL_RWFromConstMem(f.bytes.data(), static_cast<int>(f.bytes.size()));
        SDL_Surface* s = PIX_LoadBMP_RW(rw, nullptr, -1, -1, xrgb_->format, 0);
        SDL_RWclose(rw);
        EXPECT_EQ(s != nullptr, f.bytes == bytes) << f.what;
        SDL_FreeSurface(s);
    }
    EXPECT_EQ(PIX_LoadBMP(nullptr, nullptr, -1, -1, xrgb_->format, 0), nullptr);
    EXPECT_EQ(PIX_LoadBMP_RW(nullptr, nullptr, -1, -1, xrgb_->format, 0), nullptr);
    EXPECT_EQ(Load(dir_.Path("missing.bmp")), nullptr);
    EXPECT_EQ(PIX_LoadBMP(good.c_str(), nullptr, -1, -1, rgb565_->format, 0), nullptr) << "a 16-bit target";
    const int32_t badArguments[][2] = {{256, -1}, {-2, -1}, {-1, 0x1000000}, {-1, -2}};
    for (const auto& a : badArguments) {
        EXPECT_EQ(Load(good, nullptr, a[0], a[1]), nullptr) << "alpha " << a[0] << ", key " << a[1];
    }
    EXPECT_EQ(MEM_LiveBlocks(), live);
    const std::string one = SavePicture("one.bmp", 1, 1, [](int, int) { return 0xABCDEFu; });
    EXPECT_EQ(PIX_LoadImage(one.c_str(), nullptr, -1, -1, xrgb_->format, 0), nullptr)
        << "a picture without box";
}

TEST_F(PixTest, CreateLikeDuplicateAndCopyKeepTheFormat)
{
    GuardedSurface model(4, 3, kR, kG, kB, 0);
    FillFrom(model.get(), [](int x, int y) { return static_cast<uint32_t>(0x010101 * (x + 4 * y)); });
    SDL_SetColorKey(model.get(), SDL_SRCCOLORKEY, 0x050505);

    SDL_Surface* like = PIX_CreateLike(model.get(), 7, 2, 1);
    EXPECT_TRUE(like != nullptr && like->w == 7 && like->format->colorkey == 0x050505u &&
                like->format->Amask == kA)
        << "alpha in the bits the colours leave free";
    SDL_FreeSurface(like);

    SDL_Surface* dup = PIX_Duplicate(model.get(), 0);
    ASSERT_NE(dup, nullptr);
    for (int i = 0; i < 12; i++) {
        EXPECT_EQ(PixelAt(dup, i % 4, i / 4), model.Px(i % 4, i / 4)) << "rows copied by pitch, pixel " << i;
    }
    SDL_FreeSurface(dup);

    const SDL_Rect inside{1, 1, 3, 2}, past{2, 0, 3, 1};
    SDL_Surface* cut = PIX_CopyRect(model.get(), &inside);
    ASSERT_NE(cut, nullptr);
    EXPECT_TRUE(cut->w == 3 && cut->h == 2 && PixelAt(cut, 0, 0) == model.Px(1, 1) &&
                PixelAt(cut, 2, 1) == model.Px(3, 2))
        << "the rectangle's first and last pixels";
    EXPECT_TRUE((cut->flags & SDL_SRCCOLORKEY) && cut->format->colorkey == 0x050505u)
        << "the key goes along";
    SDL_FreeSurface(cut);
    EXPECT_EQ(PIX_CopyRect(model.get(), &past), nullptr) << "a rectangle past the edge";
}

TEST_F(PixTest, BoxCuttingFindsRowsOfBoxes)
{
    SDL_Surface* s = BoxedPicture();
    uint16_t count = 0;
    SDL_Surface** frames = PIX_CutFrames(s, &count);
    ASSERT_NE(frames, nullptr);
    std::string cut;
    for (uint16_t i = 0; i < count; i++) {
        const SDL_Surface* f = frames[i];
        cut += std::to_string(f->w) + "x" + std::to_string(f->h) + ":" + std::to_string(PixelAt(frames[i], 0, 0) >> 16) +
               std::to_string(PixelAt(frames[i], f->w - 1, f->h - 1) >> 16) + " ";
    }
    EXPECT_EQ(cut, "3x2:1717 2x4:3434 1x1:5151 4x3:6868 5x6:8585 ") << "frames inside the borders, row by row";
    PIX_FreeFrames(frames, count);
    SDL_FreeSurface(s);

    // Malformed: a box without right edge, one whose bottom lies below the picture, a top edge
    // alone, a lone corner pixel.
    SDL_Surface* bad[4] = {NewSurface32(8, 6), NewSurface32(8, 4), NewSurface32(8, 4), NewSurface32(4, 4, 0x123456)};
    DrawBox(bad[0], 0, 0, 3, 3, 0x101010);
    FillBox(bad[0], 4, 1, 1, 4, 0x101010);
    DrawBox(bad[1], 0, 0, 3, 2, 0x101010);
    FillBox(bad[1], 1, 3, 3, 1, 0x101010);
    FillBox(bad[2], 0, 0, 6, 1, kBorder);
    PixelAt(bad[3], 0, 0) = 1;
    for (int i = 0; i < 4; i++) {
        count = 7;
        EXPECT_TRUE(PIX_CutFrames(bad[i], &count) == nullptr && count == 0) << "malformed picture " << i;
    }
    const std::string path = dir_.SaveBMP(bad[0], "open.bmp");
    EXPECT_EQ(PIX_LoadImage(path.c_str(), nullptr, -1, -1, xrgb_->format, 0), nullptr);
    EXPECT_EQ(PIX_ImageList()->first, nullptr) << "nothing half made is listed";
    for (int i = 1; i < 4; i++) {
        SDL_FreeSurface(bad[i]);
    }
}

TEST_F(PixTest, ImagesAreSharedByNameAndArguments)
{
    const std::string path = dir_.SaveBMP(BoxedPicture(), "boxes.bmp");
    auto load = [&](const char* mask, int32_t key, SDL_Surface* model) {
        return PIX_LoadImage(path.c_str(), mask, -1, key, model->format, 0);
    };
    PIX_Image* first = load(nullptr, -1, xrgb_);
    ASSERT_NE(first, nullptr);
    EXPECT_TRUE(first->frameCount == 5 && first->refCount == 1u);
    EXPECT_EQ(PixelAt(first->frames[3], 3, 2) & 0xFFFFFF, 0x440000u);
    EXPECT_TRUE(load("", -1, bgr_) == first && first->refCount == 2u) << "same names and arguments, any format";
    PIX_Image* keyed = load(nullptr, 0, xrgb_);
    EXPECT_TRUE(keyed != nullptr && keyed != first) << "another colour key is another image";
    EXPECT_EQ(PIX_ImageList()->first, &keyed->node) << "newest first";
    auto rle = [&] { return PIX_LoadImage(path.c_str(), nullptr, -1, -1, xrgb_->format, SDL_RLEACCEL); };
    PIX_Image* packed = rle();
    EXPECT_TRUE(packed != first && rle() == packed && packed->refCount == 2u) << "the flags make an image of their own";
    PIX_ReleaseImage(packed);

    PIX_ReleaseImage(first);
    EXPECT_TRUE(first->refCount == 1u && NODE_Count(PIX_ImageList()) == 3u);
    PIX_ReleaseAllImages();
    EXPECT_EQ(PIX_ImageList()->first, nullptr) << "the last references dropped";

    const std::string longName(300, 'a');
    EXPECT_EQ(PIX_LoadImage(longName.c_str(), nullptr, -1, -1, xrgb_->format, 0), nullptr);

    const int points = CheckEachAllocationFailure([&] {
        PIX_Image* image = load(nullptr, 0x123456, xrgb_);
        PIX_ReleaseImage(image);
        return image != nullptr;
    });
    EXPECT_GE(points, 8) << "file, picture, conversion, frame table, five frames, record";
}

TEST_F(PixTest, NinePartFramesTileIntoTheClipAndRestoreIt)
{
    SDL_Surface* dest = NewSurface32(20, 12, '.');
    EXPECT_TRUE(PIX_BlitAt(nullptr, dest, 0, 0) < 0 && PIX_BlitCentred(dest, nullptr, 0, 0) < 0);
    SDL_Surface* big = NewSurface32(10, 8);
    EXPECT_TRUE(PIX_NewFrame(big, 2, 1, 5, 5) == nullptr && PIX_NewFrame(big, 4, 4, 1, 1) == nullptr)
        << "borders that leave no centre";
    EXPECT_TRUE(PIX_NewFrame(big, 0, 1, 1, 1) == nullptr && PIX_NewFrame(nullptr, 1, 1, 1, 1) == nullptr);
    CheckEachAllocationFailure([&] {
        PIX_Frame* frame = PIX_NewFrame(big, 1, 1, 1, 1);
        PIX_FreeFrame(frame);
        return frame != nullptr;
    });
    SDL_FreeSurface(big);

    // One-pixel borders, each part its own colour named by the letter it holds; the centre is
    // P then Q, so that tiling (not stretching) shows.
    const char* const rows[3] = {"1tt2", "lPQr", "3bb4"};
    SDL_Surface* pic = NewSurface32(4, 3);
    FillFrom(pic, [&](int x, int y) { return static_cast<uint32_t>(rows[y][x]); });
    PIX_Frame* f = PIX_NewFrame(pic, 1, 1, 1, 1);
    ASSERT_NE(f, nullptr);
    auto draw = [&](SDL_Rect r, const SDL_Rect* clip) {
        SDL_SetClipRect(dest, nullptr);
        SDL_FillRect(dest, nullptr, '.');
        SDL_SetClipRect(dest, clip);
        PIX_DrawFrame(f, dest, &r);
    };
    const SDL_Rect clip{3, 2, 4, 10};
    draw({1, 1, 12, 5}, &clip);
    EXPECT_EQ(Rows(dest, 10, 7), "........../........../...QPQP.../...QPQP.../...QPQP.../...bbbb.../........../")
        << "only the part inside the clip changes";
    SDL_Rect after;
    SDL_GetClipRect(dest, &after);
    EXPECT_EQ(RectText(after), RectText(clip)) << "and the clip comes back";

    draw({0, 0, 2, 2}, nullptr);
    EXPECT_EQ(Rows(dest, 3, 2), "12./34./") << "no wider than its borders: corners only";
    PIX_DrawFrame(nullptr, dest, &after);
    PIX_FreeFrame(f);
    SDL_FreeSurface(dest);
    SDL_FreeSurface(pic);
}

TEST_F(PixTest, RecolouringKeepsAlphaAndTheKey)
{
    GuardedSurface s(3, 2, kR, kG, kB, kA);
    s.get()->format->colorkey = 0x00010203;
    const std::vector<uint32_t> tints = {0x40FF6400, 0x80FFFFFF, 0x00010203, 0xFF0A0A0A, 0x00C86432, 0x00FFFFFF};
    const struct {
        const char* what;
        const std::vector<uint32_t>& before;
        std::function<void()> recolour;
        std::vector<uint32_t> after;
    } cases[] = {
        {"keyed tint: +100 % clamps at 255, -50 % of 255 gives 128, +10 % clamps; pixel 2 is the key", tints,
         [&] { PIX_TintKeyed(s.get(), 100, -50, 10); },
         {0x40FF3200, 0x80FF80FF, 0x00010203, 0xFF14050B, 0x00FF3237, 0x00FF80FF}},
        {"plain tint, below -100 % stays 0", tints, [&] { PIX_Tint(s.get(), -100, -200, 0); },
         {0x40000000, 0x800000FF, 0x00000003, 0xFF00000A, 0x00000032, 0x000000FF}},
    };
    for (const auto& c : cases) {
        for (int i = 0; i < 6; i++) {
            s.Px(i % 3, i / 3) = c.before[static_cast<size_t>(i)];
        }
        c.recolour();
        for (int i = 0; i < 6; i++) {
            EXPECT_EQ(s.Px(i % 3, i / 3), c.after[static_cast<size_t>(i)]) << c.what << ", pixel " << i;
        }
        EXPECT_TRUE(s.GuardsIntact()) << c.what;
    }
    GuardedSurface bgr(1, 1, kB, kG, kR, 0);
    bgr.Px(0, 0) = 0x00000080;  // red 128 in a blue-first layout
    PIX_Tint(bgr.get(), 50, 0, 0);
    EXPECT_EQ(bgr.Px(0, 0), 0x000000C0u) << "channels found by the format's shifts";
}

TEST_F(PixTest, ReformatBetweenChannelOrders)
{
    // Red, and the key (128, 128, 129) which must stay transparent.
    SDL_Surface* s = NewSurface32(2, 1, 0x00808081);
    PixelAt(s, 0, 0) = 0x00FF0000;
    SDL_SetColorKey(s, SDL_SRCCOLORKEY, 0x00808081);
    SDL_Surface* turned = PIX_Reformat(s, bgr_->format);
    ASSERT_NE(turned, nullptr);
    EXPECT_EQ(PixelAt(turned, 0, 0), 0x000000FFu) << "red now in the low byte";
    EXPECT_TRUE((turned->flags & SDL_SRCCOLORKEY) && turned->format->colorkey == 0x00818080u) << "key re-packed";
    EXPECT_EQ(PIX_Reformat(turned, bgr_->format), turned) << "order already matches";
    SDL_FreeSurface(turned);

    SDL_Surface* model = NewSurface32(1, 1, 0, true, kA);
    SDL_Surface* moved = PIX_Reformat(NewSurface32(1, 1, 0x80FF2010, false, kA), model->format);
    ASSERT_NE(moved, nullptr);
    EXPECT_TRUE(PixelAt(moved, 0, 0) == 0x801020FFu && moved->format->Amask == kA) << "alpha moves too";
    SDL_FreeSurface(moved);
    SDL_FreeSurface(model);

    SDL_Surface* spare = NewSurface32(3, 3);
    EXPECT_TRUE(PIX_Reformat(spare, rgb565_->format) == nullptr && PIX_Reformat(rgb565_, xrgb_->format) == nullptr);
    MEM_FailAt(1);
    EXPECT_EQ(PIX_Reformat(spare, bgr_->format), nullptr) << "a failed allocation reports NULL";
    MEM_FailAt(0);
    EXPECT_EQ(spare->format->Rmask, kR) << "and leaves the surface as it was";
    SDL_FreeSurface(spare);
}

}  // namespace
