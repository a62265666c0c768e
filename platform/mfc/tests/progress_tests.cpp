// CProgressCtrl: the messages it sends and what the bar makes of them.
#include "framework_test.h"
#include "test_ids.h"

#include <afxcmn.h>

#include <vector>

namespace {

// Records PBM_SETRANGE as the bar receives it, then lets the bar have it.
class CRecordingProgress : public CProgressCtrl {
public:
    std::vector<LPARAM> ranges;

protected:
    afx_msg LRESULT OnSetRange(WPARAM, LPARAM lParam)
    {
        ranges.push_back(lParam);
        return Default();
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CRecordingProgress, CProgressCtrl)
    ON_MESSAGE(PBM_SETRANGE, &CRecordingProgress::OnSetRange)
END_MESSAGE_MAP()

class Progress : public FrameworkTest {
protected:
    void SetUp() override
    {
        FrameworkTest::SetUp();
        ASSERT_TRUE(dialog_.Create(IDD_MODELESS));
        // As the progress window does: the hidden placeholder's rectangle.
        CRect place;
        dialog_.GetDlgItem(IDC_PLACE)->GetWindowRect(&place);
        dialog_.ScreenToClient(&place);
        placeholder_ = place;
        ASSERT_TRUE(bar_.Create(WS_CHILD | WS_VISIBLE, place, &dialog_, 333));
    }

    CDialog dialog_;
    CRect placeholder_;
    CRecordingProgress bar_;
};

TEST_F(Progress, CreatedAsAChildInTheGivenRectangle)
{
    EXPECT_EQ(dialog_.GetDlgItem(333), &bar_);
    CRect r;
    bar_.GetWindowRect(&r);
    dialog_.ScreenToClient(&r);
    EXPECT_EQ(r, placeholder_);
    EXPECT_EQ(placeholder_, CRect(14, 28, 258, 44)) << "7, 14, 122, 8 dialog units";
    EXPECT_EQ(winplat::automation::ClassName(bar_.m_hWnd), PROGRESS_CLASS);
}

TEST_F(Progress, RangeGoesInTheLowAndHighWords)
{
    bar_.SetRange(1, 5);
    ASSERT_EQ(bar_.ranges.size(), 1u);
    EXPECT_EQ(bar_.ranges[0], MAKELPARAM(1, 5));
    int lower = 0, upper = 0;
    bar_.GetRange(lower, upper);
    EXPECT_EQ(lower, 1);
    EXPECT_EQ(upper, 5);
    bar_.SetRange32(-10, 100000);
    bar_.GetRange(lower, upper);
    EXPECT_EQ(lower, -10);
    EXPECT_EQ(upper, 100000);
}

TEST_F(Progress, StepsPositionsAndOffsets)
{
    bar_.SetRange(1, 5);
    EXPECT_EQ(bar_.SetStep(1), 10) << "the previous step, 10 at first";
    bar_.SetPos(0);
    EXPECT_EQ(bar_.GetPos(), 1) << "a position below the range is the lower bound";
    EXPECT_EQ(bar_.StepIt(), 1);
    EXPECT_EQ(bar_.GetPos(), 2);
    EXPECT_EQ(bar_.OffsetPos(2), 2);
    EXPECT_EQ(bar_.GetPos(), 4);
    EXPECT_EQ(bar_.SetPos(3), 4);
    EXPECT_EQ(bar_.GetPos(), 3);
}
}  // namespace
