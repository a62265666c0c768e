// Deleting the selected pictures: the question, the requests the camera
// receives, and where the grid stands afterwards.
#include "TransferFixture.h"

#include <cstring>

namespace transfer_tests {
namespace {

using Delete = TransferTest;

std::vector<std::string> DeletedNames(camera::VirtualCamera& cam)
{
    std::vector<std::string> names;
    for (const camera::CAMERA_COMMAND& c : Commands(cam, kOpDelete)) names.push_back(c.szName);
    return names;
}

TEST_F(Delete, NothingSelectedAsksNothing)
{
    camera::VirtualCamera& cam = Plug(3);
    Run([&] {
        Click(IDC_DELETE);
        EXPECT_EQ(Pictures().m_nCount, 3);
    });
    EXPECT_TRUE(wa::ModalHistory().size() == 1u) << "only the main window was modal";
    EXPECT_TRUE(DeletedNames(cam).empty());
}

TEST_F(Delete, NoOrEnterChangesNothing)
{
    camera::VirtualCamera& cam = Plug(5);
    Run([&] {
        Select({0, 2, 4});
        AnswerBox(IDNO);
        Click(IDC_DELETE);
        wa::WhenModalKey(VK_RETURN);  // No is the default button
        Click(IDC_DELETE);
    });
    std::vector<wa::ModalRecord> boxes = wa::MessageBoxes();
    ASSERT_EQ(boxes.size(), 2u);
    for (const wa::ModalRecord& box : boxes) {
        EXPECT_EQ(box.text, "Do you want to delete 3 image(s)?");
        EXPECT_EQ(box.style, static_cast<UINT>(MB_YESNO | MB_DEFBUTTON2));
        EXPECT_EQ(box.result, IDNO);
    }
    EXPECT_EQ(Pictures().m_nCount, 5);
    EXPECT_EQ(Pictures().CountSelected(), 3);
    EXPECT_TRUE(DeletedNames(cam).empty());
    EXPECT_EQ(cam.card().PictureCount(), 5u);
}

TEST_F(Delete, YesDeletesOnTheCameraAndFromTheList)
{
    camera::VirtualCamera& cam = Plug(5);
    Run([&] {
        Select({0, 2, 4});
        AnswerBox(IDYES);
        Click(IDC_DELETE);
        for (int cell = 2; cell < 5; ++cell) {
            const RECT& box = CameraDlgProbe::CellBox(*dlg_, cell);
            POINT centre{(box.left + box.right) / 2, (box.top + box.bottom) / 2};
            EXPECT_EQ(wa::PixelAt(window_, centre), RGB(0, 0, 0)) << "cell " << cell << " repainted empty";
        }
    });
    EXPECT_EQ(DeletedNames(cam), (std::vector<std::string>{"S0000001JPG", "S0000003JPG", "S0000005JPG"}));
    EXPECT_EQ(PictureNames(), (std::vector<std::string>{"S0000002", "S0000004"}));
    EXPECT_EQ(cam.card().PictureCount(), 2u);
    EXPECT_EQ(Pictures().m_nPosition, 1);
}

// The deletion walks the selection, so the list's removal leaves the cursor
// next to the last picture deleted; the grid's first cell follows it.
TEST_F(Delete, FewerThanSixLeftFromTheCursorMovesBackARow)
{
    Plug(15);
    Run([&] {
        Select({9});
        AnswerBox(IDYES);
        Click(IDC_DELETE);
        EXPECT_EQ(Pictures().m_nCount, 14);
        EXPECT_EQ(Pictures().m_nPosition, 7) << "the survivor at 10 leaves 4 from the cursor on: one row back";
        EXPECT_EQ(std::string(Pictures().GetName()), "S0000007");
    });
}

TEST_F(Delete, SixOrMoreLeftFromTheCursorKeepTheView)
{
    Plug(20);
    Run([&] {
        Select({4});
        AnswerBox(IDYES);
        Click(IDC_DELETE);
        EXPECT_EQ(Pictures().m_nCount, 19);
        EXPECT_EQ(Pictures().m_nPosition, 5);
        EXPECT_EQ(std::string(Pictures().GetName()), "S0000006");
    });
}

TEST_F(Delete, NineOrFewerLeftGoBackToTheFirst)
{
    Plug(12);
    Run([&] {
        Click(IDC_NEXT);
        ASSERT_EQ(Pictures().m_nPosition, 4);
        Select({0, 1, 2, 3});
        AnswerBox(IDYES);
        Click(IDC_DELETE);
        EXPECT_EQ(Pictures().m_nCount, 8);
        EXPECT_EQ(Pictures().m_nPosition, 1);
        EXPECT_FALSE(wa::Visible(wa::FindControl(window_, IDC_NEXT))) << "one page: no paging";
    });
}

TEST_F(Delete, ACameraUnpluggedBeforeYesLosesThePicturesQuietly)
{
    camera::VirtualCamera& cam = Plug(4);
    Run([&] {
        Select({1, 2});
        wa::WhenModal([&](HWND box) {
            cam.Unplug();
            wa::ClickButton(box, IDYES);
        });
        Click(IDC_DELETE);
    });
    EXPECT_EQ(wa::MessageBoxes().size(), 1u) << "no message beyond the question";
    EXPECT_EQ(PictureNames(), (std::vector<std::string>{"S0000001", "S0000004"}));
    EXPECT_EQ(cam.card().PictureCount(), 4u);
}

}  // namespace
}  // namespace transfer_tests
