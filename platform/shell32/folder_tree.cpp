// The browser's folder tree: a control of shell32's own (the platform's
// controls have no tree), drawn with GDI and driven by mouse and keyboard.
#include "folder_tree.h"

#include "folder_model.h"

#include <winplat/shellbrowse.h>

#include <algorithm>
#include <memory>

using namespace winplat::shell;

namespace shell {

namespace {

constexpr int kMargin = 2;       // inside the frame
constexpr int kIndent = 16;      // per level
constexpr int kBoxSize = 9;      // the +/- box
constexpr int kTextOffset = 14;  // from the box's left edge to the text

struct Tree {
    std::unique_ptr<FolderNode> root;
    FolderNode* selected = nullptr;
    int top = 0;  // first row shown
    int dragOffset = -1;  // while the scroll box is dragged: the press, from the box's top
    HFONT font = nullptr;
    int rowHeight = 0;
    bool focused = false;
    // The last plain click, to tell a double click by its second press.
    FolderNode* lastClicked = nullptr;
    DWORD lastClickTime = 0;
};

constexpr DWORD kDoubleClickTime = 500;  // ms

// Each tree window keeps its state in its extra bytes (slot 0), from
// WM_NCCREATE to WM_NCDESTROY.
Tree* TreeOf(HWND hWnd) { return reinterpret_cast<Tree*>(GetWindowLongPtrA(hWnd, 0)); }

int RowHeight(HWND hWnd, Tree& tree)
{
    if (tree.rowHeight > 0) return tree.rowHeight;
    tree.rowHeight = 18;
    if (HDC dc = GetDC(hWnd)) {
        HGDIOBJ previous = tree.font ? SelectObject(dc, tree.font) : nullptr;
        TEXTMETRICA metrics;
        if (GetTextMetricsA(dc, &metrics) && metrics.tmHeight > 0) tree.rowHeight = metrics.tmHeight + 4;
        if (previous) SelectObject(dc, previous);
        ReleaseDC(hWnd, dc);
    }
    return tree.rowHeight;
}

constexpr int kBarWidth = 16;  // the vertical scroll bar, inside the frame

int RowsShown(HWND hWnd, Tree& tree)
{
    RECT client;
    GetClientRect(hWnd, &client);
    return std::max(1, static_cast<int>(client.bottom - client.top - 2 * kMargin) / RowHeight(hWnd, tree));
}

int IndexOf(const std::vector<FolderNode*>& rows, const FolderNode* node)
{
    auto it = std::find(rows.begin(), rows.end(), node);
    return it == rows.end() ? -1 : static_cast<int>(it - rows.begin());
}

// The first row shown when scrolled to the end: the last row at the bottom.
int MaxTop(HWND hWnd, Tree& tree, const std::vector<FolderNode*>& rows)
{
    return std::max(0, static_cast<int>(rows.size()) - RowsShown(hWnd, tree));
}

// ---- The vertical scroll bar: shown while the rows do not all fit ----

bool HasBar(HWND hWnd, Tree& tree, const std::vector<FolderNode*>& rows)
{
    return static_cast<int>(rows.size()) > RowsShown(hWnd, tree);
}

struct BarParts {
    RECT bar, up, down, box;  // the whole bar, its two arrows and the scroll box
};

BarParts BarGeometry(HWND hWnd, Tree& tree, const std::vector<FolderNode*>& rows)
{
    RECT client;
    GetClientRect(hWnd, &client);
    BarParts p;
    p.bar = {client.right - 1 - kBarWidth, client.top + 1, client.right - 1, client.bottom - 1};
    int arrow = std::min<int>(kBarWidth, (p.bar.bottom - p.bar.top) / 2);
    p.up = {p.bar.left, p.bar.top, p.bar.right, p.bar.top + arrow};
    p.down = {p.bar.left, p.bar.bottom - arrow, p.bar.right, p.bar.bottom};
    int track = p.down.top - p.up.bottom;
    int total = std::max(1, static_cast<int>(rows.size()));
    int shown = std::min(total, RowsShown(hWnd, tree));
    int boxHeight = std::min(track, std::max(8, track * shown / total));
    int range = std::max(1, total - shown);
    int boxTop = p.up.bottom + (track - boxHeight) * std::min(tree.top, range) / range;
    p.box = {p.bar.left, boxTop, p.bar.right, boxTop + boxHeight};
    return p;
}

void DrawArrow(HDC dc, RECT r, bool up)
{
    FillRect(dc, &r, GetSysColorBrush(COLOR_BTNFACE));
    DrawEdge(dc, &r, EDGE_RAISED, BF_RECT);
    int cx = (r.left + r.right) / 2, cy = (r.top + r.bottom) / 2;
    for (int i = 0; i < 4; ++i) {
        int y = up ? cy - 2 + i : cy + 1 - i;
        MoveToEx(dc, cx - i, y, nullptr);
        LineTo(dc, cx + i + 1, y);
    }
}

void DrawBar(HDC dc, HWND hWnd, Tree& tree, const std::vector<FolderNode*>& rows)
{
    BarParts p = BarGeometry(hWnd, tree, rows);
    FillRect(dc, &p.bar, GetSysColorBrush(COLOR_SCROLLBAR));
    DrawArrow(dc, p.up, true);
    DrawArrow(dc, p.down, false);
    FillRect(dc, &p.box, GetSysColorBrush(COLOR_BTNFACE));
    DrawEdge(dc, &p.box, EDGE_RAISED, BF_RECT);
}

void ScrollTo(HWND hWnd, Tree& tree, int top);

// A press on the bar: the arrows move a row, the track a page, the box
// follows the pointer until the button is let go.
void OnBarPress(HWND hWnd, Tree& tree, const std::vector<FolderNode*>& rows, POINT at)
{
    BarParts p = BarGeometry(hWnd, tree, rows);
    int page = std::max(1, RowsShown(hWnd, tree) - 1);
    if (PtInRect(&p.up, at)) {
        ScrollTo(hWnd, tree, tree.top - 1);
    } else if (PtInRect(&p.down, at)) {
        ScrollTo(hWnd, tree, tree.top + 1);
    } else if (at.y < p.box.top) {
        ScrollTo(hWnd, tree, tree.top - page);
    } else if (at.y >= p.box.bottom) {
        ScrollTo(hWnd, tree, tree.top + page);
    } else {
        tree.dragOffset = at.y - p.box.top;
        SetCapture(hWnd);
    }
}

void OnBarDrag(HWND hWnd, Tree& tree, int y)
{
    std::vector<FolderNode*> rows = VisibleNodes(tree.root.get());
    BarParts p = BarGeometry(hWnd, tree, rows);
    int travel = (p.down.top - p.up.bottom) - (p.box.bottom - p.box.top);
    int range = MaxTop(hWnd, tree, rows);
    if (travel <= 0 || range <= 0) return;
    int offset = std::clamp(y - tree.dragOffset - static_cast<int>(p.up.bottom), 0, travel);
    ScrollTo(hWnd, tree, (offset * range + travel / 2) / travel);
}

void ScrollTo(HWND hWnd, Tree& tree, int top)
{
    top = std::clamp(top, 0, MaxTop(hWnd, tree, VisibleNodes(tree.root.get())));
    if (top == tree.top) return;
    tree.top = top;
    InvalidateRect(hWnd, nullptr, TRUE);
}

// Scrolls so that the selection is shown, and no further than the last row.
void KeepSelectionShown(HWND hWnd, Tree& tree)
{
    std::vector<FolderNode*> rows = VisibleNodes(tree.root.get());
    int shown = RowsShown(hWnd, tree);
    int index = IndexOf(rows, tree.selected);
    if (index >= 0 && index < tree.top) tree.top = index;
    if (index >= tree.top + shown) tree.top = index - shown + 1;
    tree.top = std::clamp(tree.top, 0, MaxTop(hWnd, tree, rows));
}

void NotifyParent(HWND hWnd)
{
    HWND parent = GetParent(hWnd);
    if (parent)
        SendMessageA(parent, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(hWnd), FTN_SELCHANGED), reinterpret_cast<LPARAM>(hWnd));
}

void Select(HWND hWnd, Tree& tree, FolderNode* node)
{
    if (!node || node == tree.selected) return;
    for (FolderNode* above = node->parent(); above; above = above->parent()) above->SetExpanded(true);
    tree.selected = node;
    KeepSelectionShown(hWnd, tree);
    InvalidateRect(hWnd, nullptr, TRUE);
    NotifyParent(hWnd);
}

bool IsInside(const FolderNode* node, const FolderNode* ancestor)
{
    for (; node; node = node->parent())
        if (node == ancestor) return true;
    return false;
}

void SetExpanded(HWND hWnd, Tree& tree, FolderNode* node, bool expanded)
{
    node->SetExpanded(expanded);
    // A selection inside a closed folder moves up to the folder.
    if (!node->expanded() && tree.selected != node && IsInside(tree.selected, node)) {
        Select(hWnd, tree, node);
    }
    KeepSelectionShown(hWnd, tree);
    InvalidateRect(hWnd, nullptr, TRUE);
}

// Selects the deepest existing folder of a DOS path; TRUE when all of it exists.
BOOL SelectPath(HWND hWnd, Tree& tree, const char* dosPath)
{
    ItemPath names;
    if (!dosPath || !*dosPath) {
        Select(hWnd, tree, tree.root.get());
        return TRUE;
    }
    if (!SplitDosPath(dosPath, &names)) return FALSE;
    FolderNode* node = tree.root.get();
    size_t found = 0;
    for (const std::string& name : names) {
        FolderNode* child = node->FindChild(name);
        if (!child) break;
        node = child;
        ++found;
    }
    if (found > 0) Select(hWnd, tree, node);
    return found == names.size();
}

LRESULT CopyText(const std::string& text, WPARAM size, LPARAM buffer)
{
    auto* out = reinterpret_cast<char*>(buffer);
    if (!out || size == 0) return static_cast<LRESULT>(text.size());
    lstrcpynA(out, text.c_str(), static_cast<int>(std::min<WPARAM>(size, 0x7FFFFFFF)));
    return static_cast<LRESULT>(std::min(text.size(), static_cast<size_t>(size - 1)));
}

void DrawBox(HDC dc, int x, int y, bool expanded)
{
    RECT box = {x, y, x + kBoxSize, y + kBoxSize};
    FrameRect(dc, &box, static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH)));
    int middle = y + kBoxSize / 2;
    MoveToEx(dc, x + 2, middle, nullptr);
    LineTo(dc, x + kBoxSize - 2, middle);
    if (!expanded) {
        MoveToEx(dc, x + kBoxSize / 2, y + 2, nullptr);
        LineTo(dc, x + kBoxSize / 2, y + kBoxSize - 2);
    }
}

// The left edge of a node's +/- box.
int BoxLeft(const FolderNode* node) { return kMargin + 2 + node->depth() * kIndent; }

void DrawRow(HDC dc, const Tree& tree, FolderNode* node, int y, int height)
{
    int x = BoxLeft(node);
    if (node->MayHaveChildren()) DrawBox(dc, x, y + (height - kBoxSize) / 2, node->expanded());
    int textX = x + kTextOffset;
    const std::string& name = node->displayName();
    SIZE extent = {0, 0};
    GetTextExtentPoint32A(dc, name.c_str(), static_cast<int>(name.size()), &extent);
    RECT label = {textX - 2, y, textX + extent.cx + 2, y + height};
    bool selected = node == tree.selected;
    if (selected) FillRect(dc, &label, GetSysColorBrush(tree.focused ? COLOR_HIGHLIGHT : COLOR_BTNFACE));
    SetTextColor(dc, GetSysColor(selected && tree.focused ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
    TextOutA(dc, textX, y + (height - extent.cy) / 2, name.c_str(), static_cast<int>(name.size()));
    if (selected && tree.focused) DrawFocusRect(dc, &label);
}

void Paint(HWND hWnd, Tree& tree)
{
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hWnd, &ps);
    if (!dc) return;
    RECT client;
    GetClientRect(hWnd, &client);
    FillRect(dc, &client, GetSysColorBrush(COLOR_WINDOW));
    FrameRect(dc, &client, GetSysColorBrush(COLOR_BTNSHADOW));
    HGDIOBJ previousFont = tree.font ? SelectObject(dc, tree.font) : nullptr;
    SetBkMode(dc, TRANSPARENT);
    int height = RowHeight(hWnd, tree);
    std::vector<FolderNode*> rows = VisibleNodes(tree.root.get());
    bool bar = HasBar(hWnd, tree, rows);
    if (bar) DrawBar(dc, hWnd, tree, rows);
    IntersectClipRect(dc, client.left + 1, client.top + 1, client.right - 1 - (bar ? kBarWidth : 0),
                      client.bottom - 1);
    // Whole rows only: the last one shown is never cut by the frame.
    int shown = RowsShown(hWnd, tree);
    for (int i = tree.top; i < static_cast<int>(rows.size()) && i < tree.top + shown; ++i) {
        DrawRow(dc, tree, rows[static_cast<size_t>(i)], kMargin + (i - tree.top) * height, height);
    }
    if (previousFont) SelectObject(dc, previousFont);
    EndPaint(hWnd, &ps);
}

// The row at a client point, or null below the last row.
FolderNode* RowAt(HWND hWnd, Tree& tree, int y)
{
    if (y < kMargin) return nullptr;
    std::vector<FolderNode*> rows = VisibleNodes(tree.root.get());
    int row = (y - kMargin) / RowHeight(hWnd, tree);
    int index = tree.top + row;
    if (row >= RowsShown(hWnd, tree)) return nullptr;  // below the last whole row
    return index < static_cast<int>(rows.size()) ? rows[static_cast<size_t>(index)] : nullptr;
}

bool OnBox(const FolderNode* node, int x)
{
    int boxX = BoxLeft(node);
    return node->MayHaveChildren() && x >= boxX - 2 && x < boxX + kBoxSize + 2;
}

void MoveBy(HWND hWnd, Tree& tree, int delta)
{
    std::vector<FolderNode*> rows = VisibleNodes(tree.root.get());
    if (rows.empty()) return;
    int index = std::clamp(IndexOf(rows, tree.selected) + delta, 0, static_cast<int>(rows.size()) - 1);
    Select(hWnd, tree, rows[static_cast<size_t>(index)]);
}

void OnKey(HWND hWnd, Tree& tree, WPARAM key)
{
    FolderNode* node = tree.selected;
    int page = RowsShown(hWnd, tree);
    switch (key) {
    case VK_UP: MoveBy(hWnd, tree, -1); break;
    case VK_DOWN: MoveBy(hWnd, tree, 1); break;
    case VK_PRIOR: MoveBy(hWnd, tree, -page); break;
    case VK_NEXT: MoveBy(hWnd, tree, page); break;
    case VK_HOME: Select(hWnd, tree, tree.root.get()); break;
    case VK_END: MoveBy(hWnd, tree, 1 << 20); break;
    case VK_RIGHT:
        if (node && !node->expanded()) {
            SetExpanded(hWnd, tree, node, true);
        } else if (node && !node->Children().empty()) {
            Select(hWnd, tree, node->Children().front().get());
        }
        break;
    case VK_LEFT:
        if (node && node->expanded()) {
            SetExpanded(hWnd, tree, node, false);
        } else if (node && node->parent()) {
            Select(hWnd, tree, node->parent());
        }
        break;
    default: break;
    }
}

// A click selects; a click on the +/- box, or a second click on the same
// row soon after the first (a double click, whether or not the platform
// reports it as one), opens or closes.
void OnClick(HWND hWnd, Tree& tree, LPARAM lParam, bool reportedDoubleClick)
{
    SetFocus(hWnd);
    FolderNode* node = RowAt(hWnd, tree, GET_Y_LPARAM(lParam));
    DWORD now = GetTickCount();
    bool doubleClick = reportedDoubleClick ||
                       (node && node == tree.lastClicked && now - tree.lastClickTime <= kDoubleClickTime);
    tree.lastClicked = nullptr;
    if (!node) return;
    if (OnBox(node, GET_X_LPARAM(lParam))) {
        if (!reportedDoubleClick) SetExpanded(hWnd, tree, node, !node->expanded());
        return;
    }
    Select(hWnd, tree, node);
    if (doubleClick) {
        SetExpanded(hWnd, tree, node, !node->expanded());
        return;
    }
    tree.lastClicked = node;
    tree.lastClickTime = now;
}

LRESULT TreeMessage(HWND hWnd, Tree& tree, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_PAINT: Paint(hWnd, tree); return 0;
    case WM_ERASEBKGND: return 1;  // the paint fills the background
    case WM_GETDLGCODE: return DLGC_WANTARROWS;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
        tree.focused = message == WM_SETFOCUS;
        InvalidateRect(hWnd, nullptr, TRUE);
        return 0;
    case WM_SETFONT:
        tree.font = reinterpret_cast<HFONT>(wParam);
        tree.rowHeight = 0;
        if (lParam) InvalidateRect(hWnd, nullptr, TRUE);
        return 0;
    case WM_GETFONT: return reinterpret_cast<LRESULT>(tree.font);
    case WM_KEYDOWN: OnKey(hWnd, tree, wParam); return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
        std::vector<FolderNode*> rows = VisibleNodes(tree.root.get());
        POINT at{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
        RECT bar = BarGeometry(hWnd, tree, rows).bar;
        if (HasBar(hWnd, tree, rows) && PtInRect(&bar, at)) {
            OnBarPress(hWnd, tree, rows, at);
        } else {
            OnClick(hWnd, tree, lParam, message == WM_LBUTTONDBLCLK);
        }
        return 0;
    }
    case WM_MOUSEMOVE:
        if (tree.dragOffset >= 0 && GetCapture() == hWnd) OnBarDrag(hWnd, tree, static_cast<short>(HIWORD(lParam)));
        return 0;
    case WM_LBUTTONUP:
    case WM_CAPTURECHANGED:
        if (tree.dragOffset >= 0) {
            tree.dragOffset = -1;
            if (message == WM_LBUTTONUP && GetCapture() == hWnd) ReleaseCapture();
        }
        return 0;
    case WM_MOUSEWHEEL: {
        int notches = static_cast<short>(HIWORD(wParam)) / 120;
        ScrollTo(hWnd, tree, tree.top - 3 * notches);
        return 0;
    }
    case FTM_GETTOPINDEX: return tree.top;
    case FTM_SELECTPATH: return SelectPath(hWnd, tree, reinterpret_cast<const char*>(lParam));
    case FTM_GETSELPATH: {
        std::string path;
        if (!tree.selected || !tree.selected->DosPath(&path)) return -1;
        return CopyText(path, wParam, lParam);
    }
    case FTM_GETSELNAME: return tree.selected ? CopyText(tree.selected->displayName(), wParam, lParam) : -1;
    case FTM_GETCOUNT: return static_cast<LRESULT>(VisibleNodes(tree.root.get()).size());
    case FTM_GETITEMTEXT: {
        std::vector<FolderNode*> rows = VisibleNodes(tree.root.get());
        if (wParam >= rows.size()) return -1;
        return CopyText(rows[wParam]->displayName(), MAX_PATH, lParam);
    }
    case FTM_GETSELINDEX: return IndexOf(VisibleNodes(tree.root.get()), tree.selected);
    default: return DefWindowProcA(hWnd, message, wParam, lParam);
    }
}

LRESULT CALLBACK TreeProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        auto tree = std::make_unique<Tree>();
        tree->root = std::make_unique<FolderNode>(FolderNode::Kind::Root, "", nullptr);
        tree->root->SetExpanded(true);
        tree->selected = tree->root.get();
        tree->font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
        SetWindowLongPtrA(hWnd, 0, reinterpret_cast<LONG_PTR>(tree.release()));
    }
    Tree* tree = TreeOf(hWnd);
    if (message == WM_NCDESTROY) {
        delete tree;
        SetWindowLongPtrA(hWnd, 0, 0);
        return DefWindowProcA(hWnd, message, wParam, lParam);
    }
    if (!tree) return DefWindowProcA(hWnd, message, wParam, lParam);
    return TreeMessage(hWnd, *tree, message, wParam, lParam);
}

}  // namespace

bool RegisterFolderTree(HINSTANCE module)
{
    WNDCLASSA existing;
    if (GetClassInfoA(module, kFolderTreeClass, &existing)) return true;
    WNDCLASSA wc = {};
    wc.style = CS_DBLCLKS | CS_GLOBALCLASS;
    wc.lpfnWndProc = TreeProc;
    wc.cbWndExtra = sizeof(Tree*);
    wc.hInstance = module;
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    wc.lpszClassName = kFolderTreeClass;
    return RegisterClassA(&wc) != 0;
}

}  // namespace shell
