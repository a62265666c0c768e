// The grid's film frames and the program's icon.
#include "Artwork.h"

namespace art {

namespace {

constexpr COLORREF kFilm = RGB(36, 32, 28);
constexpr COLORREF kHole = RGB(222, 218, 204);
constexpr COLORREF kHoleEdge = RGB(120, 116, 108);
constexpr COLORREF kWindowEdge = RGB(84, 80, 74);
constexpr COLORREF kMark = RGB(255, 230, 0);

// A row of sprocket holes with softened corners.
void SprocketRow(Canvas& canvas, int top)
{
    for (int left = 3; left + 6 <= canvas.Width(); left += 12) {
        canvas.Fill(RECT{left, top, left + 6, top + 6}, kHole);
        for (POINT corner : {POINT{left, top}, POINT{left + 5, top}, POINT{left, top + 5}, POINT{left + 5, top + 5}})
            canvas.SetPixel(corner.x, corner.y, kHoleEdge);
    }
}

// L-shaped marks at the corners of the picture window. They lie in the
// ring that the grid redraws when a cell's selection changes (rows 11 to
// 93 of the frame) and outside the thumbnails the list makes.
void CornerMarks(Canvas& canvas)
{
    const RECT marks[] = {
        {2, 11, 16, 14}, {2, 11, 5, 25},    // top left
        {84, 11, 98, 14}, {95, 11, 98, 25},  // top right
        {2, 90, 16, 93}, {2, 79, 5, 93},    // bottom left
        {84, 90, 98, 93}, {95, 79, 98, 93},  // bottom right
    };
    for (const RECT& mark : marks) canvas.Fill(mark, kMark);
}

}  // namespace

Picture FilmFrame(bool selected)
{
    Canvas canvas(100, 104, kFilm);
    SprocketRow(canvas, 2);
    SprocketRow(canvas, 96);
    // The picture window: black, so thumbnails smaller than it sit on black.
    canvas.Outline(RECT{2, 11, 98, 93}, kWindowEdge);
    canvas.Fill(RECT{3, 12, 97, 92}, RGB(0, 0, 0));
    if (selected) CornerMarks(canvas);
    return canvas.Take();
}

IconImage AppIcon(int size)
{
    const COLORREF clear = RGB(255, 0, 255);
    Canvas canvas(size, size, clear);
    auto at = [size](int v) { return v * size / 32; };  // drawn on a 32-pixel grid
    canvas.Fill(RECT{at(10), at(5), at(20), at(10)}, RGB(60, 64, 72));
    canvas.Fill(RECT{at(2), at(9), at(30), at(27)}, RGB(60, 64, 72));
    canvas.Outline(RECT{at(2), at(9), at(30), at(27)}, RGB(20, 20, 24));
    canvas.Disc(at(9), at(10), at(16), RGB(40, 80, 150), RGB(210, 212, 220));
    canvas.Disc(at(13), at(14), at(8), RGB(16, 28, 60), RGB(16, 28, 60));
    canvas.Fill(RECT{at(25), at(11), at(29), at(14)}, RGB(255, 220, 40));
    return IconImage{canvas.Take(), clear};
}

}  // namespace art
