// Regions as lists of disjoint rectangles. The regions of a dialog are a
// handful of rectangles, so plain lists beat banded structures here.
#include <winplat/display.h>

#include <algorithm>

namespace winplat {
namespace {

bool IsEmptyRect(const RECT& r) { return r.right <= r.left || r.bottom <= r.top; }

bool Overlap(const RECT& a, const RECT& b)
{
    return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

// Appends the parts of `r` outside `cut` (at most four).
void AppendDifference(const RECT& r, const RECT& cut, std::vector<RECT>* out)
{
    if (!Overlap(r, cut)) {
        out->push_back(r);
        return;
    }
    if (cut.top > r.top) out->push_back({r.left, r.top, r.right, cut.top});
    if (cut.bottom < r.bottom) out->push_back({r.left, cut.bottom, r.right, r.bottom});
    LONG top = std::max(r.top, cut.top);
    LONG bottom = std::min(r.bottom, cut.bottom);
    if (cut.left > r.left) out->push_back({r.left, top, cut.left, bottom});
    if (cut.right < r.right) out->push_back({cut.right, top, r.right, bottom});
}

}  // namespace

RECT Region::Bounds() const
{
    if (rects_.empty()) return RECT{0, 0, 0, 0};
    RECT b = rects_[0];
    for (const RECT& r : rects_) {
        b.left = std::min(b.left, r.left);
        b.top = std::min(b.top, r.top);
        b.right = std::max(b.right, r.right);
        b.bottom = std::max(b.bottom, r.bottom);
    }
    return b;
}

bool Region::Contains(int x, int y) const
{
    for (const RECT& r : rects_) {
        if (x >= r.left && x < r.right && y >= r.top && y < r.bottom) return true;
    }
    return false;
}

bool Region::Intersects(const RECT& rect) const
{
    for (const RECT& r : rects_) {
        if (Overlap(r, rect)) return true;
    }
    return false;
}

bool Region::operator==(const Region& other) const
{
    // Equal sets: neither has a pixel outside the other.
    Region a = *this;
    a.Subtract(other);
    if (!a.Empty()) return false;
    Region b = other;
    b.Subtract(*this);
    return b.Empty();
}

int Region::Complexity() const
{
    if (rects_.empty()) return 0;
    return rects_.size() == 1 ? 1 : 2;
}

void Region::Add(const RECT& rect)
{
    if (IsEmptyRect(rect)) return;
    // Keep the rectangles disjoint: add only what is not covered yet.
    std::vector<RECT> pieces{rect};
    for (const RECT& existing : rects_) {
        std::vector<RECT> next;
        for (const RECT& p : pieces) AppendDifference(p, existing, &next);
        pieces.swap(next);
        if (pieces.empty()) return;
    }
    rects_.insert(rects_.end(), pieces.begin(), pieces.end());
    Coalesce();
}

void Region::Add(const Region& other)
{
    for (const RECT& r : other.rects_) Add(r);
}

void Region::Subtract(const RECT& rect)
{
    if (IsEmptyRect(rect) || rects_.empty()) return;
    std::vector<RECT> next;
    for (const RECT& r : rects_) AppendDifference(r, rect, &next);
    rects_.swap(next);
    Coalesce();
}

void Region::Subtract(const Region& other)
{
    for (const RECT& r : other.rects_) Subtract(r);
}

void Region::Intersect(const RECT& rect)
{
    std::vector<RECT> next;
    for (const RECT& r : rects_) {
        RECT i{std::max(r.left, rect.left), std::max(r.top, rect.top), std::min(r.right, rect.right),
               std::min(r.bottom, rect.bottom)};
        if (!IsEmptyRect(i)) next.push_back(i);
    }
    rects_.swap(next);
}

void Region::Intersect(const Region& other)
{
    // Pairwise intersections of two disjoint sets stay disjoint.
    std::vector<RECT> next;
    for (const RECT& a : rects_) {
        for (const RECT& b : other.rects_) {
            RECT i{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
                   std::min(a.bottom, b.bottom)};
            if (!IsEmptyRect(i)) next.push_back(i);
        }
    }
    rects_.swap(next);
    Coalesce();
}

void Region::Xor(const Region& other)
{
    Region onlyOther = other;
    onlyOther.Subtract(*this);
    Subtract(other);
    Add(onlyOther);
}

void Region::Offset(int dx, int dy)
{
    for (RECT& r : rects_) {
        r.left += dx;
        r.right += dx;
        r.top += dy;
        r.bottom += dy;
    }
}

void Region::Coalesce()
{
    // Merge neighbours that share a full edge, so that repeated operations
    // do not fragment a region without end.
    bool merged = true;
    while (merged && rects_.size() > 1) {
        merged = false;
        for (size_t i = 0; i < rects_.size() && !merged; ++i) {
            for (size_t j = i + 1; j < rects_.size(); ++j) {
                RECT& a = rects_[i];
                const RECT& b = rects_[j];
                bool sameColumns = a.left == b.left && a.right == b.right;
                bool sameRows = a.top == b.top && a.bottom == b.bottom;
                if (sameColumns && (a.bottom == b.top || b.bottom == a.top)) {
                    a.top = std::min(a.top, b.top);
                    a.bottom = std::max(a.bottom, b.bottom);
                } else if (sameRows && (a.right == b.left || b.right == a.left)) {
                    a.left = std::min(a.left, b.left);
                    a.right = std::max(a.right, b.right);
                } else {
                    continue;
                }
                rects_.erase(rects_.begin() + static_cast<long>(j));
                merged = true;
                break;
            }
        }
    }
}

}  // namespace winplat
