#include <PictureList.h>
#include <winplat/objects.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::string NameOf(int i) { return "S000000" + std::to_string(i); }

// Every structural invariant of the list, with the cursor's index recounted.
void ExpectConsistent(const CPictureList& list)
{
    if (!list.m_pHead) {
        EXPECT_EQ(list.m_nCount, 0);
        EXPECT_EQ(list.m_pTail, nullptr);
        EXPECT_EQ(list.m_pCursor, nullptr);
        EXPECT_EQ(list.m_nPosition, 0);
        return;
    }
    EXPECT_EQ(list.m_pHead->pPrev, nullptr);
    EXPECT_EQ(list.m_pTail->pNext, nullptr);
    int count = 0;
    int cursorIndex = 0;
    for (PictureNode* node = list.m_pHead; node; node = node->pNext) {
        ++count;
        if (node->pNext) {
            EXPECT_EQ(node->pNext->pPrev, node);
        } else {
            EXPECT_EQ(node, list.m_pTail);
        }
        if (node == list.m_pCursor) cursorIndex = count;
    }
    EXPECT_EQ(count, list.m_nCount);
    if (list.m_pCursor)
        EXPECT_EQ(cursorIndex, list.m_nPosition);
    else
        EXPECT_EQ(list.m_nPosition, list.m_nCount + 1) << "a null cursor on a filled list only after a failed search";
}

std::string CursorName(const CPictureList& list) { return list.GetName() ? list.GetName() : "(none)"; }

// A packed 24-bit DIB whose pixel at image (x, y) holds x, y, 7; `size`
// overrides the block size, and pixels are written only where they fit.
HGLOBAL MakeDib(LONG width, LONG height, SIZE_T size = 0)
{
    LONGLONG stride = ((static_cast<LONGLONG>(width) * 24 + 31) / 32) * 4;
    LONGLONG needed = 40 + (width > 0 && height > 0 ? height * stride : 0);
    if (size == 0) size = static_cast<SIZE_T>(needed);
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size);
    auto* bytes = static_cast<BYTE*>(GlobalLock(block));
    if (size >= 40) {
        BITMAPINFOHEADER header{40, width, height, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
        memcpy(bytes, &header, 40);
    }
    for (LONG y = 0; needed <= static_cast<LONGLONG>(size) && y < height; ++y) {
        BYTE* row = bytes + 40 + (height - 1 - y) * stride;
        for (LONG x = 0; x < width; ++x) {
            row[x * 3] = static_cast<BYTE>(x);
            row[x * 3 + 1] = static_cast<BYTE>(y);
            row[x * 3 + 2] = 7;
        }
    }
    GlobalUnlock(block);
    return block;
}

class PictureListTest : public ::testing::Test {
protected:
    // Pictures 1..count with thumbnail length i; the cursor ends on the last.
    void Fill(int count)
    {
        for (int i = 1; i <= count; ++i) list.Add(NameOf(i).c_str(), 1000u * i, static_cast<DWORD>(i), nullptr);
    }
    void Select(std::initializer_list<int> positions)
    {
        for (int position : positions) {
            PictureNode* node = list.m_pHead;
            for (int i = 1; i < position; ++i) node = node->pNext;
            node->bSelected = 1;
        }
    }
    std::vector<std::string> Names() const
    {
        std::vector<std::string> names;
        for (PictureNode* node = list.m_pHead; node; node = node->pNext) names.push_back(node->szName);
        return names;
    }
    void TearDown() override { ExpectConsistent(list); }

    CPictureList list;
};

TEST_F(PictureListTest, EmptyListAnswersNothing)
{
    EXPECT_EQ(list.GetName(), nullptr);
    EXPECT_EQ(list.GetThumbnail(), nullptr);
    EXPECT_EQ(list.GetPictureSize(), 0u);
    EXPECT_EQ(list.GetThumbLength(), 0u);
    EXPECT_EQ(list.CountSelected(), 0);
    EXPECT_EQ(list.IsSelectedAt(0), 0);
    EXPECT_FALSE(list.MoveForward(1));
    EXPECT_FALSE(list.MoveBack(1));
    EXPECT_FALSE(list.RemoveCurrent());
    EXPECT_FALSE(list.RemoveSelected());
    EXPECT_FALSE(list.FirstSelected());
    EXPECT_FALSE(list.NextSelected());
    EXPECT_FALSE(list.Rewind());
    EXPECT_FALSE(list.FindByName("S0000001"));
    EXPECT_EQ(list.m_nPosition, 0);
}

TEST_F(PictureListTest, AddAppendsAndFollowsWithTheCursor)
{
    Fill(3);
    EXPECT_EQ(Names(), (std::vector<std::string>{"S0000001", "S0000002", "S0000003"}));
    EXPECT_EQ(list.m_nPosition, 3);
    EXPECT_EQ(list.GetPictureSize(), 3000u);
    EXPECT_EQ(list.GetThumbLength(), 3u);
    BITMAPINFOHEADER header{40, 1792, 1200, 1, 24, BI_RGB, 0, 2835, 2835, 0, 0};
    list.SetPictureHeader(&header);
    EXPECT_EQ(list.m_pTail->bihPicture.biWidth, 1792);
    std::string longName(300, 'x');
    list.Add(longName.c_str(), 1, 1, nullptr);
    EXPECT_EQ(std::string(list.GetName()), std::string(259, 'x')) << "cut to the record";
}

TEST_F(PictureListTest, RemoveCurrentMovesTheCursorByPlace)
{
    Fill(4);
    list.Rewind();
    list.MoveForward(1);
    ASSERT_TRUE(list.RemoveCurrent());  // middle: on to the successor, same position
    EXPECT_EQ(CursorName(list), "S0000003");
    EXPECT_EQ(list.m_nPosition, 2);
    ExpectConsistent(list);
    list.MoveForward(1);
    ASSERT_TRUE(list.RemoveCurrent());  // tail: back one place
    EXPECT_EQ(CursorName(list), "S0000003");
    EXPECT_EQ(list.m_nPosition, 2);
    ExpectConsistent(list);
    list.Rewind();
    ASSERT_TRUE(list.RemoveCurrent());  // head: on to the successor, position kept
    EXPECT_EQ(CursorName(list), "S0000003");
    EXPECT_EQ(list.m_nPosition, 1);
    ExpectConsistent(list);
    ASSERT_TRUE(list.RemoveCurrent());  // the only node
    EXPECT_EQ(list.m_pHead, nullptr);
    EXPECT_FALSE(list.RemoveCurrent());
}

TEST_F(PictureListTest, RemoveAllEmptiesFromAnyCursor)
{
    Fill(5);
    list.MoveBack(2);
    EXPECT_TRUE(list.RemoveAll());
    EXPECT_EQ(list.m_nCount, 0);
    EXPECT_TRUE(list.RemoveAll());
}

TEST_F(PictureListTest, FailedSearchLeavesTheCursorPastTheTail)
{
    Fill(3);
    EXPECT_TRUE(list.FindByName("S0000002"));
    EXPECT_EQ(list.m_nPosition, 2);
    EXPECT_FALSE(list.FindByName("s0000002")) << "names compare case-sensitively";
    EXPECT_EQ(list.m_pCursor, nullptr);
    EXPECT_EQ(list.m_nPosition, 4);
    ExpectConsistent(list);
    EXPECT_EQ(list.LookupThumbLength("S0000003"), 3u);
    EXPECT_EQ(list.LookupThumbLength("S0000009"), 0u);
    EXPECT_EQ(list.m_pCursor, nullptr) << "lookup leaves the cursor alone";
    EXPECT_FALSE(list.MoveForward(0));
    EXPECT_TRUE(list.Rewind());
    EXPECT_EQ(list.m_nPosition, 1);
    EXPECT_FALSE(list.Rewind()) << "already on the head";
}

TEST_F(PictureListTest, MovesCountModulo256AndForwardIsAllOrNothing)
{
    Fill(4);
    list.Rewind();
    list.MoveForward(1);
    EXPECT_FALSE(list.MoveForward(3)) << "only two nodes follow";
    EXPECT_EQ(list.m_nPosition, 2);
    EXPECT_TRUE(list.MoveForward(0));
    EXPECT_TRUE(list.MoveForward(256));
    EXPECT_EQ(list.m_nPosition, 2);
    EXPECT_TRUE(list.MoveForward(258));
    EXPECT_EQ(list.m_nPosition, 4);
    EXPECT_TRUE(list.MoveBack(3 + 256));
    EXPECT_EQ(list.m_nPosition, 1);
    list.MoveForward(1);
    EXPECT_TRUE(list.MoveBack(3)) << "stops at the head";
    EXPECT_EQ(list.m_nPosition, 1);
    EXPECT_EQ(list.m_pCursor, list.m_pHead);
}

TEST_F(PictureListTest, SelectionWalksFromTheCursor)
{
    Fill(10);
    list.Rewind();
    list.MoveForward(3);
    list.ToggleSelectedAt(2);
    list.ToggleSelectedAt(6);
    list.ToggleSelectedAt(7);  // runs off the end: nothing
    EXPECT_EQ(list.IsSelectedAt(2), 1);
    EXPECT_EQ(list.IsSelectedAt(258), 1);
    EXPECT_EQ(list.IsSelectedAt(8), 0) << "fewer than 8 nodes follow";
    EXPECT_EQ(list.CountSelected(), 2);
    list.ToggleSelectedAt(2);
    EXPECT_EQ(list.CountSelected(), 1);
    Select({2, 10});
    ASSERT_TRUE(list.FirstSelected());
    EXPECT_EQ(list.m_nPosition, 2);
    ASSERT_TRUE(list.NextSelected());
    EXPECT_EQ(list.m_nPosition, 10);
    EXPECT_FALSE(list.NextSelected());
    EXPECT_EQ(list.m_nPosition, 10);
    list.SelectAll();
    EXPECT_EQ(list.CountSelected(), 10);
    list.ClearSelection();
    EXPECT_FALSE(list.FirstSelected());
}

struct RemoveSelectedCase {
    std::vector<int> selected;
    int cursor;  // position before; 0: after a failed search
    std::vector<std::string> survivors;
    std::string cursorAfter;
};

class RemoveSelectedTest : public PictureListTest, public ::testing::WithParamInterface<RemoveSelectedCase> {};

TEST_P(RemoveSelectedTest, KeepsTheCursorOnTheNearestSurvivor)
{
    const RemoveSelectedCase& c = GetParam();
    Fill(5);
    for (int position : c.selected) Select({position});
    if (c.cursor == 0) {
        list.FindByName("missing");
    } else {
        list.Rewind();
        list.MoveForward(c.cursor - 1);
    }
    EXPECT_EQ(list.RemoveSelected(), c.selected.empty() ? FALSE : TRUE);
    std::vector<std::string> names;
    for (const std::string& name : Names()) names.push_back(name.substr(7));
    EXPECT_EQ(names, c.survivors);
    EXPECT_EQ(CursorName(list), c.cursorAfter);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RemoveSelectedTest,
    ::testing::Values(RemoveSelectedCase{{2, 4}, 1, {"1", "3", "5"}, "S0000001"},
                      RemoveSelectedCase{{3, 4}, 3, {"1", "2", "5"}, "S0000005"},   // cursor selected
                      RemoveSelectedCase{{4, 5}, 4, {"1", "2", "3"}, "S0000003"},   // nothing after
                      RemoveSelectedCase{{1, 2, 3, 4, 5}, 2, {}, "(none)"},         // everything
                      RemoveSelectedCase{{}, 3, {"1", "2", "3", "4", "5"}, "S0000003"},
                      RemoveSelectedCase{{5}, 0, {"1", "2", "3", "4"}, "S0000001"}));  // no cursor

struct ReductionCase {
    LONG width, height, thumbWidth, thumbHeight;
};

class ThumbnailTest : public PictureListTest, public ::testing::WithParamInterface<ReductionCase> {};

TEST_P(ThumbnailTest, ReducesByOneWholeFactorIntoTheBox)
{
    const ReductionCase& c = GetParam();
    HGLOBAL source = MakeDib(c.width, c.height);
    list.Add("S0000001", 1, 1, source);
    GlobalFree(source);
    HGLOBAL thumb = list.GetThumbnail();
    ASSERT_NE(thumb, nullptr);
    auto* bytes = static_cast<BYTE*>(GlobalLock(thumb));
    BITMAPINFOHEADER header;
    memcpy(&header, bytes, 40);
    LONG stride = ((c.thumbWidth * 24 + 31) / 32) * 4;
    EXPECT_EQ(header.biWidth, c.thumbWidth);
    EXPECT_EQ(header.biHeight, c.thumbHeight);
    EXPECT_EQ(header.biSizeImage, static_cast<DWORD>(stride * c.thumbHeight));
    EXPECT_EQ(header.biBitCount, 24);
    EXPECT_EQ(GlobalSize(thumb), 40u + static_cast<SIZE_T>(stride) * c.thumbHeight);
    EXPECT_EQ(list.m_pCursor->bihSource.biWidth, c.width);
    // Nearest neighbour from the top-left: thumbnail (i, j) is source (i f, j f).
    LONG factor = c.width / c.thumbWidth;
    int mismatches = 0;
    for (LONG j = 0; j < c.thumbHeight; ++j) {
        for (LONG i = 0; i < c.thumbWidth; ++i) {
            const BYTE* pixel = bytes + 40 + (c.thumbHeight - 1 - j) * stride + i * 3;
            mismatches += pixel[0] != static_cast<BYTE>(i * factor) || pixel[1] != static_cast<BYTE>(j * factor) ||
                          pixel[2] != 7;
        }
    }
    EXPECT_EQ(mismatches, 0);
    GlobalUnlock(thumb);
}

INSTANTIATE_TEST_SUITE_P(Factors, ThumbnailTest,
                         ::testing::Values(ReductionCase{80, 60, 80, 60}, ReductionCase{160, 120, 80, 60},
                                           ReductionCase{96, 72, 48, 36}, ReductionCase{640, 480, 91, 68},
                                           ReductionCase{1792, 1200, 89, 60}, ReductionCase{94, 70, 94, 70},
                                           ReductionCase{95, 70, 47, 35}, ReductionCase{1, 1, 1, 1},
                                           ReductionCase{700, 3, 87, 0}));

TEST_F(PictureListTest, UnreadableSourcesAddTheNodeWithoutThumbnail)
{
    struct Bad {
        LONG width, height;
        SIZE_T size;
    };
    SIZE_T stride = ((16 * 24 + 31) / 32) * 4;
    for (Bad bad : {Bad{16, 8, 40 + 8 * stride - 1}, Bad{0, 8, 1000}, Bad{16, 0, 1000}, Bad{-16, 8, 1000},
                    Bad{16, -8, 1000}, Bad{0x7FFFFFFF, 1, 4096}, Bad{1, 0x7FFFFFFF, 4096}, Bad{16, 8, 39}}) {
        HGLOBAL source = MakeDib(bad.width, bad.height, bad.size);
        list.Add("S0000001", 1, 1, source);
        GlobalFree(source);
        EXPECT_EQ(list.GetThumbnail(), nullptr) << bad.width << "x" << bad.height << " in " << bad.size;
    }
    list.Add("S0000002", 1, 1, nullptr);
    EXPECT_EQ(list.GetThumbnail(), nullptr);
    EXPECT_EQ(list.m_nCount, 9);
}

TEST(PictureListOwnership, ThumbnailsAndHeapGoWithTheList)
{
    size_t blocksBefore = winplat::CountObjects(winplat::ObjectKind::GlobalMemory);
    size_t heapsBefore = winplat::CountObjects(winplat::ObjectKind::Heap);
    HGLOBAL source = MakeDib(160, 120);
    {
        CPictureList list;
        for (int i = 0; i < 4; ++i) list.Add(NameOf(i).c_str(), 1, 1, source);
        list.Rewind();
        list.RemoveCurrent();
        list.m_pTail->bSelected = 1;
        list.RemoveSelected();
        EXPECT_EQ(winplat::CountObjects(winplat::ObjectKind::GlobalMemory), blocksBefore + 1 + 2);
    }
    GlobalFree(source);
    EXPECT_EQ(winplat::CountObjects(winplat::ObjectKind::GlobalMemory), blocksBefore);
    EXPECT_EQ(winplat::CountObjects(winplat::ObjectKind::Heap), heapsBefore);
}

}  // namespace
