// Message boxes: buttons, default button, Enter and Esc, the owner, and
// the record the automation keeps.
#include "test_support.h"

using namespace test;
namespace wa = winplat::automation;

namespace {

class MessageBoxes : public UiTest {};

TEST_F(MessageBoxes, OkBoxAnswersOkToEnterAndEsc)
{
    wa::WhenModalKey(VK_RETURN);
    EXPECT_EQ(MessageBoxA(nullptr, "Select at least one image!", "snapfetch", MB_OK), IDOK);
    wa::WhenModalKey(VK_ESCAPE);
    EXPECT_EQ(MessageBoxA(nullptr, "Select at least one image!", "snapfetch", MB_OK), IDOK);
    EXPECT_TRUE(wa::UnexpectedModals().empty());
}

TEST_F(MessageBoxes, YesNoWithTheSecondDefaultGivesNoToEnter)
{
    wa::WhenModalKey(VK_RETURN);
    EXPECT_EQ(MessageBoxA(nullptr, "Do you want to delete 3 image(s)?", "snapfetch", MB_YESNO | MB_DEFBUTTON2), IDNO);
    wa::WhenModalClick(IDYES);
    EXPECT_EQ(MessageBoxA(nullptr, "Do you want to delete 3 image(s)?", "snapfetch", MB_YESNO | MB_DEFBUTTON2),
              IDYES);
    wa::WhenModalKey(VK_RETURN);
    EXPECT_EQ(MessageBoxA(nullptr, "q", "c", MB_YESNO), IDYES);
    wa::WhenModalKey(VK_ESCAPE);
    EXPECT_EQ(MessageBoxA(nullptr, "q", "c", MB_YESNO), IDNO);
}

TEST_F(MessageBoxes, OkCancelBox)
{
    wa::WhenModalKey(VK_ESCAPE);
    EXPECT_EQ(MessageBoxA(nullptr, "t", "c", MB_OKCANCEL), IDCANCEL);
    wa::WhenModalKey(VK_RETURN);
    EXPECT_EQ(MessageBoxA(nullptr, "t", "c", MB_OKCANCEL | MB_DEFBUTTON2), IDCANCEL);
    wa::WhenModal([](HWND box) { wa::CloseBox(box); });
    EXPECT_EQ(MessageBoxA(nullptr, "t", "c", MB_OKCANCEL), IDCANCEL);
}

TEST_F(MessageBoxes, TheRecordHoldsCaptionTextButtonsAndAnswer)
{
    const char* text =
        "Can not find digital camera!\nTIP:\n(1)Check if digital camear is powered on already.\n"
        "(2)Check if the either USB or RS232 cable is connected properly.\n(3)Turn off camear. Reset and plug it "
        "again.";
    std::string shownCaption;
    wa::WhenModal([&](HWND box) {
        shownCaption = wa::Text(box);
        EXPECT_NE(wa::FindControlByText(box, "OK"), nullptr);
        EXPECT_TRUE(wa::Visible(box));
        wa::PressKey(VK_RETURN);
    });
    EXPECT_EQ(MessageBoxA(nullptr, text, "snapfetch", MB_OK), IDOK);
    std::vector<wa::ModalRecord> boxes = wa::MessageBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].caption, "snapfetch");
    EXPECT_EQ(shownCaption, "snapfetch");
    EXPECT_EQ(boxes[0].text, text);
    EXPECT_EQ(boxes[0].buttons, std::vector<int>{IDOK});
    EXPECT_EQ(boxes[0].result, IDOK);
    EXPECT_TRUE(boxes[0].ended);
    EXPECT_FALSE(boxes[0].unexpected);
}

TEST_F(MessageBoxes, MultiLineTextMakesATallerBox)
{
    RECT one{}, five{};
    wa::WhenModal([&](HWND box) {
        GetClientRect(box, &one);
        wa::PressKey(VK_RETURN);
    });
    MessageBoxA(nullptr, "line", "c", MB_OK);
    wa::WhenModal([&](HWND box) {
        GetClientRect(box, &five);
        wa::PressKey(VK_RETURN);
    });
    MessageBoxA(nullptr, "line\nline\nline\nline\nline", "c", MB_OK);
    EXPECT_GT(five.bottom, one.bottom + 40);
}

TEST_F(MessageBoxes, AnUnansweredBoxEndsWithItsCancelAnswer)
{
    EXPECT_EQ(MessageBoxA(nullptr, "Retry 1", "snapfetch", MB_OK), IDOK);
    EXPECT_EQ(MessageBoxA(nullptr, "Delete?", "snapfetch", MB_YESNO | MB_DEFBUTTON2), IDNO);
    EXPECT_EQ(MessageBoxA(nullptr, "Sure?", "snapfetch", MB_YESNOCANCEL), IDCANCEL);
    std::vector<wa::ModalRecord> unexpected = wa::UnexpectedModals();
    ASSERT_EQ(unexpected.size(), 3u);
    EXPECT_EQ(unexpected[0].text, "Retry 1");
}

TEST_F(MessageBoxes, TheOwnerIsDisabledMeanwhileAndActiveAfterwards)
{
    HWND owner = MakeWindow(nullptr, 0, 0, 300, 200, RGB(0, 0, 0), WS_VISIBLE);
    HWND child = MakeWindow(owner, 10, 10, 50, 20, RGB(0, 0, 255), WS_VISIBLE | WS_TABSTOP);
    SetFocus(child);
    bool enabled = true;
    wa::WhenModal([&](HWND) {
        enabled = IsWindowEnabled(owner) != FALSE;
        wa::PressKey(VK_RETURN);
    });
    EXPECT_EQ(MessageBoxA(child, "text", "caption", MB_OK), IDOK);
    EXPECT_FALSE(enabled);
    EXPECT_TRUE(IsWindowEnabled(owner));
    EXPECT_EQ(GetActiveWindow(), owner);
}

TEST_F(MessageBoxes, NestedBoxesTakeTheirActionsInOrder)
{
    std::vector<int> answers;
    wa::WhenModal([&](HWND) {
        wa::WhenModalKey(VK_ESCAPE);
        answers.push_back(MessageBoxA(nullptr, "inner", "c", MB_YESNO));
        wa::PressKey(VK_RETURN);
    });
    answers.push_back(MessageBoxA(nullptr, "outer", "c", MB_OKCANCEL));
    EXPECT_EQ(answers, (std::vector<int>{IDNO, IDOK}));
}

TEST_F(MessageBoxes, ABadOwnerFails)
{
    EXPECT_EQ(MessageBoxA(reinterpret_cast<HWND>(0x3FFFFFFC), "t", "c", MB_OK), 0);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_WINDOW_HANDLE));
}

}  // namespace
