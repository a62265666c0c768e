// Selecting pictures in the grid: plain click, Ctrl+click, press and
// release on different cells, clicks beside the thumbnails, selections on
// other pages, and SELECT.
#include "UiTestSupport.h"

using namespace winplat::automation;
using uitest::IsYellow;
using uitest::Pixel;

namespace {

class SelectionTest : public uitest::UiTest {
protected:
    // Positions (1-based, in the whole list) of the selected pictures.
    std::vector<int> Selected()
    {
        std::vector<int> positions;
        int position = 1;
        for (PictureNode* node = Pictures().m_pHead; node; node = node->pNext, ++position)
            if (node->bSelected) positions.push_back(position);
        return positions;
    }

    // The top-left corner mark of a cell's frame shows on screen.
    bool FrameMarked(int cell)
    {
        return IsYellow(Pixel(Window(), 14 + (cell % 3) * 120 + 3, 14 + (cell / 3) * 129 + 12));
    }

    std::vector<int> MarkedCells()
    {
        std::vector<int> cells;
        for (int cell = 0; cell < 9; ++cell)
            if (FrameMarked(cell)) cells.push_back(cell);
        return cells;
    }
};

using Cells = std::vector<int>;

TEST_F(SelectionTest, PlainClickSelectsOnlyThatPicture)
{
    StartWindow();
    ShowPictures(9);
    Click(Window(), CellCentre(2));
    EXPECT_EQ(Selected(), Cells({3}));
    EXPECT_EQ(MarkedCells(), Cells({2}));
    Click(Window(), CellCentre(6));
    EXPECT_EQ(Selected(), Cells({7}));
    EXPECT_EQ(MarkedCells(), Cells({6}));
    Click(Window(), CellCentre(6));
    EXPECT_EQ(Selected(), Cells({7})) << "a click on a selected picture keeps it selected";
    EXPECT_EQ(CameraDlgProbe::PressedCell(*dlg_), 0) << "cleared by the release";
}

TEST_F(SelectionTest, CtrlClickFlipsOnePicture)
{
    StartWindow();
    ShowPictures(9);
    Click(Window(), CellCentre(2));
    Click(Window(), CellCentre(4), MK_CONTROL);
    Click(Window(), CellCentre(8), MK_CONTROL);
    EXPECT_EQ(Selected(), Cells({3, 5, 9}));
    EXPECT_EQ(MarkedCells(), Cells({2, 4, 8}));
    Click(Window(), CellCentre(2), MK_CONTROL);
    EXPECT_EQ(Selected(), Cells({5, 9}));
    EXPECT_EQ(MarkedCells(), Cells({4, 8}));
}

TEST_F(SelectionTest, CtrlCountsAsItWasAtThePress)
{
    StartWindow();
    ShowPictures(9);
    Click(Window(), CellCentre(0));
    Press(Window(), CellCentre(1), MK_CONTROL);
    EXPECT_EQ(CameraDlgProbe::PressedCell(*dlg_), 2);
    EXPECT_EQ(CameraDlgProbe::PressKeys(*dlg_), MK_CONTROL);
    Release(Window(), CellCentre(1));
    EXPECT_EQ(Selected(), Cells({1, 2})) << "Ctrl held at the press, not at the release";
    EXPECT_EQ(CameraDlgProbe::PressKeys(*dlg_), 0);

    Press(Window(), CellCentre(3));
    Release(Window(), CellCentre(3), MK_CONTROL);
    EXPECT_EQ(Selected(), Cells({4})) << "no Ctrl at the press: exclusive";
}

TEST_F(SelectionTest, PressOnOneCellAndReleaseOnAnotherChangesNothing)
{
    StartWindow();
    ShowPictures(9);
    Click(Window(), CellCentre(5));
    Press(Window(), CellCentre(0));
    MoveMouse(Window(), CellCentre(1));
    Release(Window(), CellCentre(1));
    EXPECT_EQ(Selected(), Cells({6}));
    EXPECT_EQ(CameraDlgProbe::PressedCell(*dlg_), 0);
}

TEST_F(SelectionTest, OnlyTheThumbnailBoxTakesClicks)
{
    StartWindow();
    ShowPictures(9);
    POINT origin = CCameraDlg::kCellOrigins[4];
    Click(Window(), POINT{origin.x - 5, origin.y + 30});   // the frame beside the box
    Click(Window(), POINT{origin.x + 20, origin.y + 90});  // the caption
    Click(Window(), POINT{origin.x + 86, origin.y + 30});  // just right of the box
    EXPECT_TRUE(Selected().empty());
    Click(Window(), POINT{origin.x, origin.y});  // the box's top-left pixel
    EXPECT_EQ(Selected(), Cells({5}));
    Click(Window(), POINT{origin.x + 85, origin.y + 61});  // its bottom-right pixel
    EXPECT_EQ(Selected(), Cells({5}));
}

TEST_F(SelectionTest, EmptyCellsTakeNoClicks)
{
    StartWindow();
    ShowPictures(5);
    Click(Window(), CellCentre(2));
    Click(Window(), CellCentre(7));
    Click(Window(), CellCentre(5), MK_CONTROL);
    EXPECT_EQ(Selected(), Cells({3}));
}

TEST_F(SelectionTest, PlainClickClearsSelectionsOnOtherPages)
{
    StartWindow();
    ShowPictures(25);
    Click(Window(), CellCentre(0));                 // picture 1
    Command(IDC_FORWARD);                           // position 19
    Click(Window(), CellCentre(6), MK_CONTROL);     // picture 25
    Command(IDC_BACKWARD);
    Command(IDC_NEXT);                              // position 4
    Click(Window(), CellCentre(1), MK_CONTROL);     // picture 5
    ASSERT_EQ(Selected(), Cells({1, 5, 25}));
    ASSERT_EQ(MarkedCells(), Cells({1}));

    Click(Window(), CellCentre(2));                 // picture 6
    EXPECT_EQ(Selected(), Cells({6}));
    EXPECT_EQ(MarkedCells(), Cells({2})) << "every frame redrawn with its artwork";
    EXPECT_EQ(Pictures().m_nPosition, 4);
}

TEST_F(SelectionTest, SelectMarksEveryPictureOfTheList)
{
    StartWindow();
    ShowPictures(30);
    Command(IDC_SELECT);
    EXPECT_EQ(Pictures().CountSelected(), 30);
    EXPECT_EQ(MarkedCells(), Cells({0, 1, 2, 3, 4, 5, 6, 7, 8}));
    Command(IDC_FORWARD);
    EXPECT_EQ(Pictures().m_nPosition, 22);
    EXPECT_EQ(MarkedCells(), Cells({0, 1, 2, 3, 4, 5, 6, 7, 8})) << "the last view, pictures 22 to 30";
}

TEST_F(SelectionTest, SelectOnAShortListMarksItsCellsOnly)
{
    StartWindow();
    ShowPictures(4);
    Command(IDC_SELECT);
    EXPECT_EQ(Selected(), Cells({1, 2, 3, 4}));
    EXPECT_EQ(MarkedCells(), Cells({0, 1, 2, 3}));
}

}  // namespace
