// Regions, PNG files and the headless presenter.
#include <winplat/display.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <thread>

namespace {

using winplat::Image;
using winplat::Region;

int Area(const Region& r)
{
    int area = 0;
    for (const RECT& rect : r.Rects()) area += (rect.right - rect.left) * (rect.bottom - rect.top);
    return area;
}

TEST(Regions, RingAfterSubtractingAnInnerRectangle)
{
    Region r(RECT{0, 0, 116, 86});
    r.Subtract(RECT{15, 12, 101, 74});
    EXPECT_EQ(Area(r), 116 * 86 - 86 * 62);
    EXPECT_FALSE(r.Contains(50, 40));
    EXPECT_TRUE(r.Contains(0, 0));
    EXPECT_TRUE(r.Contains(115, 85));
    RECT b = r.Bounds();
    EXPECT_EQ(b.right, 116);
    EXPECT_EQ(r.Complexity(), 2);
    r.Add(RECT{15, 12, 101, 74});
    EXPECT_EQ(r.Complexity(), 1);  // whole again, merged to one rectangle
    EXPECT_EQ(r, Region(RECT{0, 0, 116, 86}));
}

TEST(Regions, UnionsStayDisjointAndIntersect)
{
    Region r(RECT{0, 0, 10, 10});
    r.Add(RECT{5, 5, 15, 15});
    EXPECT_EQ(Area(r), 100 + 100 - 25);
    Region other(RECT{8, 0, 20, 20});
    r.Intersect(other);
    EXPECT_EQ(Area(r), 2 * 10 + 7 * 10 - 2 * 5);
    Region x(RECT{0, 0, 4, 4});
    x.Xor(Region(RECT{2, 2, 6, 6}));
    EXPECT_EQ(Area(x), 16 + 16 - 8);
    x.Offset(10, 10);
    EXPECT_TRUE(x.Contains(10, 10));
    EXPECT_FALSE(x.Contains(0, 0));
    Region empty(RECT{5, 5, 5, 9});
    EXPECT_TRUE(empty.Empty());
}

TEST(Png, RoundTrip)
{
    Image image(3, 2, 0xFF000000);
    image.At(0, 0) = 0xFFFF0000;
    image.At(2, 1) = 0xFF00FF00;
    const char* scratch = std::getenv("WINPLAT_TEST_SCRATCH");
    std::string path = std::string(scratch ? scratch : "/tmp") + "/roundtrip.png";
    ASSERT_TRUE(winplat::SavePng(image, path));
    FILE* f = std::fopen(path.c_str(), "rb");
    ASSERT_NE(f, nullptr);
    std::vector<unsigned char> bytes(4096);
    bytes.resize(std::fread(bytes.data(), 1, bytes.size(), f));
    std::fclose(f);
    Image back;
    ASSERT_TRUE(winplat::DecodePng(bytes.data(), bytes.size(), &back));
    EXPECT_EQ(back.width, 3);
    EXPECT_EQ(back.At(0, 0), 0xFFFF0000u);
    EXPECT_EQ(back.At(2, 1), 0xFF00FF00u);
    EXPECT_FALSE(winplat::DecodePng(bytes.data(), bytes.size() / 2, &back));
    EXPECT_FALSE(winplat::SavePng(Image(), path));
}

TEST(Headless, KeepsTheLastFrameAndWakesAWaiter)
{
    std::unique_ptr<winplat::Presenter> p(winplat::MakeHeadlessPresenter());
    EXPECT_FALSE(p->Interactive());
    p->Open(8, winplat::WindowLook{"caption", 0, 0, 2, 2, false});
    Image frame;
    EXPECT_FALSE(p->Snapshot(8, &frame));
    p->Present(8, Image(2, 2, 0xFF123456));
    ASSERT_TRUE(p->Snapshot(8, &frame));
    EXPECT_EQ(frame.At(1, 1), 0xFF123456u);
    std::thread waker([&] { p->Wake(); });
    winplat::HostEvent event;
    EXPECT_FALSE(p->WaitEvent(&event, 10000));  // ends early: no input, just the wake
    waker.join();
    p->Close(8);
    EXPECT_FALSE(p->Snapshot(8, &frame));
}

}  // namespace
