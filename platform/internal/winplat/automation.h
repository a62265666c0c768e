// Test automation of the stand-in's windows: finding windows, giving them
// input as a person would, reading their state and their pictures, and
// acting on modal windows (dialogs and message boxes) when they appear.
//
// Everything runs on the thread that owns the windows, in-process: no
// thread races the user interface.
//
// Input. Click, Press, Release, TypeText and PressKey put the same input
// messages that real input would (WM_LBUTTONDOWN/UP with MK_ flags and
// client coordinates of the window under the point, WM_KEYDOWN/UP, the
// characters that TranslateMessage makes) into the thread's queue, and then
// pump the queue until it is idle (PumpUntilIdle), so their effect, paints
// included, is visible when they return. Key states given in `keys`
// (MK_CONTROL, MK_SHIFT) are held down around the click by key-down and
// key-up input of VK_CONTROL / VK_SHIFT, as a keyboard would.
//
// Modal windows. A modal loop (DialogBoxParamA, DialogBoxIndirectParamA,
// MessageBoxA, and a framework's own modal loop that calls
// NotifyModalLoopIdle) takes, the first time it is idle, the next action
// queued with WhenModal and runs it with the modal window's handle. The
// action runs inside the modal loop: it may click, type and press keys
// (which are dispatched at once), inspect the window, queue further actions
// for nested modal windows, and end the window (for example PressKey
// VK_RETURN or ClickButton IDOK). Actions are taken in the order in which
// modal windows appear: queue the action for a message box that a dialog
// shows during WM_INITDIALOG before the action for the dialog itself.
//
// A modal window that appears when no action is queued, or that is still up
// when its loop has nothing left to do after its action, cannot be answered
// by anyone when no person sees the display (the headless presenter): it is
// recorded as unexpected and ended with its cancel answer (a message box:
// IDCANCEL, else IDNO, else IDOK; a dialog: WM_COMMAND IDCANCEL, and
// EndDialog(IDCANCEL) if that does not end it). With the SDL presenter the
// loop waits for the person instead (SetUnattended changes this).
//
// Every modal window shown is recorded (ModalHistory): its caption, a
// message box's text and buttons, the answer, and whether it was unexpected.
#pragma once

#include <windows.h>
#include <winplat/display.h>

#include <functional>
#include <string>
#include <vector>

namespace winplat::automation {

// ---- Finding windows ----------------------------------------------------------

// Top-level windows of the calling thread, topmost first.
WINPLAT_EXPORT std::vector<HWND> TopLevelWindows();
// The first top-level window whose caption is `caption` (exactly), or null.
WINPLAT_EXPORT HWND FindByCaption(const char* caption);
// The first top-level window of the window class `className`, or null.
WINPLAT_EXPORT HWND FindByClass(const char* className);
// The descendant of `parent` with control id `id` (searched depth first).
WINPLAT_EXPORT HWND FindControl(HWND parent, int id);
// The child of `parent` whose text is `text` (buttons by their caption).
WINPLAT_EXPORT HWND FindControlByText(HWND parent, const char* text);

// ---- Input ----------------------------------------------------------------------

// Left click at a client point of `window` (press and release there).
WINPLAT_EXPORT void Click(HWND window, POINT clientPoint, UINT keys = 0);
// Left click at the centre of `window`.
WINPLAT_EXPORT void Click(HWND window, UINT keys = 0);
// The left button pressed or released alone, at a client point of `window`
// (press on one point, release on another).
WINPLAT_EXPORT void Press(HWND window, POINT clientPoint, UINT keys = 0);
WINPLAT_EXPORT void Release(HWND window, POINT clientPoint, UINT keys = 0);
WINPLAT_EXPORT void MoveMouse(HWND window, POINT clientPoint, UINT keys = 0);
// Clicks the control `id` of `dialog` at its centre.
WINPLAT_EXPORT void ClickButton(HWND dialog, int id);
// Types UTF-8 text into the focus window, one key press per character.
WINPLAT_EXPORT void TypeText(const char* text);
// Presses and releases a key (VK_RETURN, VK_ESCAPE, VK_TAB, VK_LEFT, ...),
// with MK_CONTROL / MK_SHIFT held when given in `keys`.
WINPLAT_EXPORT void PressKey(int virtualKey, UINT keys = 0);
WINPLAT_EXPORT void KeyDown(int virtualKey);
WINPLAT_EXPORT void KeyUp(int virtualKey);
// Asks a top-level window to close as its close box would (WM_SYSCOMMAND
// SC_CLOSE).
WINPLAT_EXPORT void CloseBox(HWND window);

// Dispatches posted and input messages and paints until none remain, then
// presents every window that painted. Runs inside whatever modal loop is
// current, the way that loop would (dialog keys go through
// IsDialogMessageA of the window's dialog).
WINPLAT_EXPORT void PumpUntilIdle();

// ---- State ------------------------------------------------------------------------

WINPLAT_EXPORT std::string Text(HWND window);
WINPLAT_EXPORT bool Visible(HWND window);  // the window and its ancestors are visible
WINPLAT_EXPORT bool Enabled(HWND window);
WINPLAT_EXPORT HWND Focus();
WINPLAT_EXPORT std::string ClassName(HWND window);

// ---- Pictures -----------------------------------------------------------------------

// The presented picture of the top-level window that holds `window` (its
// client area); false when none has been presented.
WINPLAT_EXPORT bool Capture(HWND window, Image* image);
// A pixel of that picture at a client point of `window` (which may be a
// child), as COLORREF; CLR_INVALID outside the picture.
WINPLAT_EXPORT COLORREF PixelAt(HWND window, POINT clientPoint);
WINPLAT_EXPORT bool SavePicture(HWND window, const char* hostPngPath);

// ---- Modal windows --------------------------------------------------------------------

using ModalAction = std::function<void(HWND modal)>;

// Queues the action for the next modal window that appears.
WINPLAT_EXPORT void WhenModal(ModalAction action);
// Short forms: press the button `id` (a message box's IDYES, IDNO, IDOK,
// IDCANCEL; a dialog's buttons), or press a key, on the next modal window.
WINPLAT_EXPORT void WhenModalClick(int id);
WINPLAT_EXPORT void WhenModalKey(int virtualKey);
WINPLAT_EXPORT size_t PendingModalActions();
WINPLAT_EXPORT void ClearModalActions();

struct ModalRecord {
    HWND window = nullptr;
    bool messageBox = false;
    std::string caption;
    std::string text;          // a message box's text
    UINT style = 0;            // a message box's MB_ flags
    std::vector<int> buttons;  // a message box's button ids, left to right
    INT_PTR result = 0;        // the answer (EndDialog code)
    bool unexpected = false;   // ended by the automation, no action was queued
    bool ended = false;        // the modal loop has returned
};

WINPLAT_EXPORT std::vector<ModalRecord> ModalHistory();
WINPLAT_EXPORT std::vector<ModalRecord> MessageBoxes();
WINPLAT_EXPORT std::vector<ModalRecord> UnexpectedModals();
WINPLAT_EXPORT void ClearModalHistory();

// True (the default with the headless presenter): modal windows nobody
// answers are ended as described above. False: they wait for input.
WINPLAT_EXPORT void SetUnattended(bool unattended);
WINPLAT_EXPORT bool Unattended();

// For a framework that runs a modal loop of its own instead of
// DialogBoxParamA: call when the window's loop starts and each time it finds
// its queue empty. Returns true when it ran an action or ended the window
// (look again at the queue and the end flag); false means wait for input.
WINPLAT_EXPORT void NotifyModalLoopStart(HWND modal);
WINPLAT_EXPORT bool NotifyModalLoopIdle(HWND modal);
WINPLAT_EXPORT void NotifyModalLoopEnd(HWND modal, INT_PTR result);

// ---- Between tests ----------------------------------------------------------------------

// Destroys the calling thread's windows, empties its queue, and forgets
// focus, capture, key states, queued actions and the modal history.
WINPLAT_EXPORT void Reset();

}  // namespace winplat::automation
