// Button pictures. Every button sits on the main window's black background:
// a raised face with a two-pixel bevel when up, a darker sunken face with
// its content shifted by a pixel when pushed, a yellow ring inside the edge
// when focused, and all greys when disabled.
#include "Artwork.h"

namespace art {

namespace {

constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kFaceTop = RGB(88, 108, 142);
constexpr COLORREF kFaceBottom = RGB(26, 34, 54);
constexpr COLORREF kLight = RGB(176, 194, 224);
constexpr COLORREF kDark = RGB(10, 14, 24);
constexpr COLORREF kCaption = RGB(255, 255, 255);
constexpr COLORREF kFocusRing = RGB(255, 215, 0);
constexpr COLORREF kArrow = RGB(80, 232, 80);

// Colours of one state of a button.
struct Look {
    COLORREF faceTop, faceBottom, light, dark, ink;
    int shift;  // content moved right and down while pushed
};

Look LookOf(ButtonState state, COLORREF ink)
{
    switch (state) {
    case ButtonState::Down: return {Shade(kFaceBottom, -8), Shade(kFaceTop, -40), kDark, kLight, Shade(ink, -50), 1};
    case ButtonState::Disabled:
        return {Greyed(kFaceTop), Greyed(kFaceBottom), Greyed(kLight), Greyed(kDark), Greyed(ink), 0};
    default: return {kFaceTop, kFaceBottom, kLight, kDark, ink, 0};
    }
}

// The face, bevel and focus ring; returns the look for the content.
Look DrawFace(Canvas& canvas, ButtonState state, COLORREF ink, int gradientSteps, int focusInset = 4)
{
    Look look = LookOf(state, ink);
    RECT all{0, 0, canvas.Width(), canvas.Height()};
    canvas.VerticalGradient(all, look.faceTop, look.faceBottom, gradientSteps);
    canvas.Bevel(all, look.light, look.dark);
    if (state == ButtonState::Focused) {
        int inset = focusInset;
        canvas.Outline(RECT{inset, inset, canvas.Width() - inset, canvas.Height() - inset}, kFocusRing);
    }
    return look;
}

}  // namespace

Picture CaptionButton(const char* caption, COLORREF accent, ButtonState state)
{
    Canvas canvas(111, 29, kBlack);
    Look look = DrawFace(canvas, state, kCaption, 24);
    int s = look.shift;
    COLORREF mark = state == ButtonState::Down ? Shade(accent, -60) : accent;
    if (state == ButtonState::Disabled) mark = Greyed(accent);
    canvas.Fill(RECT{8 + s, 8 + s, 14 + s, 21 + s}, mark);
    canvas.Outline(RECT{7 + s, 7 + s, 15 + s, 22 + s}, look.dark);
    canvas.CentredText(caption, 62 + s, 14 + s, 15, look.ink);
    return canvas.Take();
}

Picture FromDscButton(ButtonState state)
{
    Canvas canvas(50, 48, kBlack);
    Look look = DrawFace(canvas, state, kCaption, 24, 3);
    int s = look.shift;
    bool grey = state == ButtonState::Disabled;
    COLORREF body = grey ? Greyed(RGB(206, 208, 216)) : RGB(206, 208, 216);
    COLORREF lens = grey ? Greyed(RGB(40, 64, 120)) : RGB(40, 64, 120);
    // A camera: viewfinder bump, body, lens.
    canvas.Fill(RECT{17 + s, 5 + s, 24 + s, 8 + s}, body);
    canvas.Fill(RECT{13 + s, 7 + s, 37 + s, 21 + s}, body);
    canvas.Outline(RECT{13 + s, 7 + s, 37 + s, 21 + s}, look.dark);
    canvas.Disc(19 + s, 8 + s, 12, lens, look.dark);
    canvas.CentredText("FROM", 25 + s, 28 + s, 11, look.ink);
    canvas.CentredText("DSC", 25 + s, 38 + s, 11, look.ink);
    return canvas.Take();
}

Picture ArrowButton(Arrow arrow, ButtonState state)
{
    Canvas canvas(24, 24, kBlack);
    Look look = DrawFace(canvas, state, kArrow, 1);
    int x = 12 + look.shift, s = look.shift;
    switch (arrow) {
    case Arrow::Prev: canvas.ArrowHead(x, 8 + s, 7, look.ink); break;
    case Arrow::Next: canvas.ArrowHead(x, 15 + s, -7, look.ink); break;
    case Arrow::Backward:  // to the first row: an arrow up to a bar
        canvas.Fill(RECT{x - 6, 5 + s, x + 7, 7 + s}, look.ink);
        canvas.ArrowHead(x, 10 + s, 7, look.ink);
        break;
    case Arrow::Forward:  // to the last row: an arrow down to a bar
        canvas.ArrowHead(x, 13 + s, -7, look.ink);
        canvas.Fill(RECT{x - 6, 17 + s, x + 7, 19 + s}, look.ink);
        break;
    }
    return canvas.Take();
}

Picture UsbButton(ButtonState state)
{
    Canvas canvas(48, 24, kBlack);
    Look look = DrawFace(canvas, state, kCaption, 1);
    int s = look.shift;
    bool lit = state == ButtonState::Down;
    canvas.Disc(5 + s, 7 + s, 10, lit ? RGB(60, 255, 80) : RGB(70, 24, 24), look.dark);
    canvas.CentredText("USB", 30 + s, 12 + s, 12, lit ? RGB(200, 255, 200) : look.ink);
    return canvas.Take();
}

}  // namespace art
