// The grid's paging rules at their boundaries: NEXT is enabled while some
// picture lies beyond the ninth cell (count - position > 8), PREV while the
// view is past the first row (position > 3), and the page buttons show only
// for more than nine pictures. Each rule is met on both sides.
#include "UiTestSupport.h"

using namespace winplat::automation;

namespace {

class PagingBoundary : public uitest::UiTest {
protected:
    // Puts the list's cursor on `position` (1-based) and lets the window
    // judge its page buttons, as it does after any move.
    void ViewFrom(int position)
    {
        Pictures().Rewind();
        if (position > 1) {
            ASSERT_TRUE(Pictures().MoveForward(position - 1));
        }
        ASSERT_EQ(Pictures().m_nPosition, position);
        CameraDlgProbe::UpdatePageButtons(*dlg_);
    }
    bool NextEnabled() { return Enabled(Control(IDC_NEXT)); }
    bool PrevEnabled() { return Enabled(Control(IDC_PREV)); }
    int Position() { return Pictures().m_nPosition; }
};

TEST_F(PagingBoundary, NextIsEnabledWhileAPictureLiesBeyondTheNinthCell)
{
    StartWindow();
    ShowPictures(12);
    ViewFrom(3);  // pictures 3 to 11 shown, 12 beyond
    EXPECT_TRUE(NextEnabled());
    ViewFrom(4);  // pictures 4 to 12: the last one is shown
    EXPECT_FALSE(NextEnabled());
    ViewFrom(5);
    EXPECT_FALSE(NextEnabled());
}

TEST_F(PagingBoundary, NextMovesOnlyWhileAPictureLiesBeyond)
{
    StartWindow();
    ShowPictures(12);
    ViewFrom(3);
    Command(IDC_NEXT);
    EXPECT_EQ(Position(), 6);
    ViewFrom(4);
    Command(IDC_NEXT);  // the command as a stray click would send it
    EXPECT_EQ(Position(), 4) << "nothing lies beyond the view";
}

// A view can start at the second or third picture (after a deletion), and
// the pictures before it must stay reachable.
TEST_F(PagingBoundary, PrevIsEnabledPastTheFirstPicture)
{
    StartWindow();
    ShowPictures(12);
    ViewFrom(1);
    EXPECT_FALSE(PrevEnabled());
    ViewFrom(2);
    EXPECT_TRUE(PrevEnabled());
    ViewFrom(2);
    Command(IDC_PREV);
    EXPECT_EQ(Position(), 1) << "fewer than three places back to the head";
}

TEST_F(PagingBoundary, ForwardStopsAtTheFirstViewThatShowsTheLastPicture)
{
    StartWindow();
    ShowPictures(12);
    Command(IDC_FORWARD);
    EXPECT_EQ(Position(), 4);
    EXPECT_FALSE(NextEnabled());
    EXPECT_TRUE(PrevEnabled());

    // Eleven: from 1 one row on shows 4 to 11; from 2 the view already shows the last.
    Pictures().RemoveAll();
    ShowPictures(11);
    Command(IDC_FORWARD);
    EXPECT_EQ(Position(), 4);
    ViewFrom(2);
    EXPECT_TRUE(NextEnabled());
    ViewFrom(3);
    EXPECT_FALSE(NextEnabled());
    Command(IDC_FORWARD);
    EXPECT_EQ(Position(), 3);
}

TEST_F(PagingBoundary, PageButtonsShowForMoreThanNinePictures)
{
    StartWindow();
    ShowPictures(9);
    EXPECT_FALSE(Visible(Control(IDC_NEXT)));
    EXPECT_FALSE(Visible(Control(IDC_PREV)));
    Command(IDC_NEXT);
    Command(IDC_FORWARD);
    EXPECT_EQ(Position(), 1) << "nine pictures fit one view";

    Pictures().RemoveAll();
    ShowPictures(10);
    EXPECT_TRUE(Visible(Control(IDC_NEXT)));
    EXPECT_TRUE(Visible(Control(IDC_PREV)));
    EXPECT_TRUE(NextEnabled()) << "picture 10 lies beyond the view";
    ViewFrom(2);
    EXPECT_FALSE(NextEnabled());
}

// A click counts inside the thumbnail box only: its edges, and one pixel
// outside each of them.
TEST_F(PagingBoundary, ClicksOnTheEdgesOfAThumbnailBox)
{
    StartWindow();
    ShowPictures(9);
    POINT origin = CCameraDlg::kCellOrigins[4];
    for (POINT outside : {POINT{origin.x - 1, origin.y + 30}, POINT{origin.x + 30, origin.y - 1},
                          POINT{origin.x + 86, origin.y + 30}, POINT{origin.x + 30, origin.y + 62}}) {
        Click(Window(), outside);
        EXPECT_EQ(Pictures().CountSelected(), 0) << outside.x << "," << outside.y;
    }
    for (POINT inside : {POINT{origin.x, origin.y + 30}, POINT{origin.x + 30, origin.y},
                         POINT{origin.x + 85, origin.y + 30}, POINT{origin.x + 30, origin.y + 61}}) {
        Pictures().ClearSelection();
        Click(Window(), inside);
        EXPECT_TRUE(Pictures().IsSelectedAt(4)) << inside.x << "," << inside.y;
    }
}

}  // namespace
