// The pictures of snapfetch's buttons, grid frames and icon.
#pragma once

#include "ArtCanvas.h"
#include "ArtFiles.h"

namespace art {

// The bitmaps of a button: U up, D pushed, F focused, X disabled.
enum class ButtonState { Up, Down, Focused, Disabled };

// 111 x 29: the caption beside a mark of the button's own colour.
Picture CaptionButton(const char* caption, COLORREF accent, ButtonState state);
// 50 x 48: a camera above "FROM DSC".
Picture FromDscButton(ButtonState state);

// 24 x 24: the grid's paging buttons, arrows up and down.
enum class Arrow { Prev, Next, Backward, Forward };
Picture ArrowButton(Arrow arrow, ButtonState state);
// 48 x 24: "USB" with a lamp that is lit while a camera is connected (the
// button is then held pushed).
Picture UsbButton(ButtonState state);

// 100 x 104: a film frame with sprocket holes; the selected one has yellow
// corner marks around the picture window.
Picture FilmFrame(bool selected);

// The program's icon: a camera, at the given square size.
IconImage AppIcon(int size);

}  // namespace art
