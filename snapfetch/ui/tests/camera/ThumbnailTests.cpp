// Loading the picture list from the camera: the directory with its retries,
// the thumbnail fetches and what becomes of thumbnails that do not decode.
#include "TransferFixture.h"

#include "CameraEntry.h"

#include "camera/imaging/Thumbnails.h"

#include <winplat/objects.h>

#include <algorithm>
#include <cstring>

namespace transfer_tests {
namespace {

const char kCorruptedText[] = "Some files are corrupted";
const char kNoPicturesText[] =
    "1.Not find image from your digital camera.\n2.Makesure your CF card have picture.\n3.Reset and plug it again.";

using Thumbnails = TransferTest;

// Directory size queries (opcode 2 is asked, not commanded).
size_t DirectoryAttempts(camera::VirtualCamera& cam)
{
    size_t count = 0;
    for (const camera::ReceivedRequest& r : cam.requests())
        if (r.kind == Step::GetReply && r.value == 2) count++;
    return count;
}

std::vector<std::string> Names(int first, int last)
{
    std::vector<std::string> names;
    char name[16];
    for (int i = first; i <= last; ++i) {
        snprintf(name, sizeof(name), "S%07d", i);
        names.push_back(name);
    }
    return names;
}

bool CellShowsAPicture(CCameraDlg& dlg, HWND window, int cell)
{
    const RECT& box = CameraDlgProbe::CellBox(dlg, cell);
    return wa::PixelAt(window, POINT{(box.left + box.right) / 2, (box.top + box.bottom) / 2}) != RGB(0, 0, 0);
}

TEST_F(Thumbnails, ThreePicturesLoadWithTheirProgress)
{
    Plug(3);
    ProgressTextRecorder progress;
    size_t events = winplat::CountObjects(winplat::ObjectKind::Event);
    Run([&] {
        EXPECT_EQ(winplat::CountObjects(winplat::ObjectKind::Event), events) << "every subscription's event is closed";
        for (int cell = 0; cell < 3; ++cell) EXPECT_TRUE(CellShowsAPicture(*dlg_, window_, cell)) << cell;
        EXPECT_FALSE(CellShowsAPicture(*dlg_, window_, 3));
    });
    EXPECT_EQ(progress.texts, (std::vector<std::string>{"1 of 3", "2 of 3", "3 of 3"}));
    EXPECT_EQ(PictureNames(), Names(1, 3));
    EXPECT_EQ(Pictures().m_nPosition, 1);
    EXPECT_EQ(DirectoryAttempts(*cams_[0]), 1u);
    EXPECT_TRUE(BoxTexts().empty());
    // The full picture's size stands in the header kept with the picture.
    EXPECT_EQ(Pictures().m_pHead->bihPicture.biWidth, 1792);
    EXPECT_EQ(Pictures().m_pHead->bihPicture.biHeight, 1200);
}

TEST_F(Thumbnails, TwoFailedDirectoryAttemptsPassUnnoticed)
{
    camera::VirtualCamera& cam = Plug(3);
    cam.faults().Add(FaultRule::On(Step::GetReply, 2).Nth(1).State(5));
    cam.faults().Add(FaultRule::On(Step::GetReply, 2).Nth(2).State(5));
    Run();
    EXPECT_TRUE(BoxTexts().empty());
    EXPECT_EQ(DirectoryAttempts(cam), 3u);
    EXPECT_EQ(PictureNames(), Names(1, 3));
}

TEST_F(Thumbnails, FiveFailedAttemptsShowOneRetry)
{
    camera::VirtualCamera& cam = Plug(3);
    for (uint32_t n = 1; n <= 5; ++n) cam.faults().Add(FaultRule::On(Step::GetReply, 2).Nth(n).State(5));
    AnswerBox();
    Run();
    EXPECT_EQ(BoxTexts(), std::vector<std::string>{"Retry 1"});
    EXPECT_EQ(DirectoryAttempts(cam), 6u);
    EXPECT_EQ(PictureNames(), Names(1, 3));
}

TEST_F(Thumbnails, ACameraWithoutPicturesIsTriedFifteenTimes)
{
    camera::VirtualCamera& cam = Plug(0);
    for (int i = 0; i < 4; ++i) AnswerBox();
    Run();
    EXPECT_EQ(BoxTexts(), (std::vector<std::string>{"Retry 1", "Retry 2", "Retry 3", kNoPicturesText}));
    EXPECT_EQ(DirectoryAttempts(cam), 15u);
    EXPECT_EQ(Pictures().m_nCount, 0);
}

// 0x100201 bytes would need a block at offset 0x100200, beyond the highest
// offset a read may start from: no block is worth reading.
TEST_F(Thumbnails, ADirectorySizeBeyondReachFailsEachAttemptBeforeAnyBlock)
{
    camera::VirtualCamera& cam = Plug(3);
    cam.faults().Add(FaultRule::On(Step::GetReply, 2).Every().Value(0x100201));
    for (int i = 0; i < 4; ++i) AnswerBox();
    Run();
    EXPECT_EQ(BoxTexts(), (std::vector<std::string>{"Retry 1", "Retry 2", "Retry 3", kNoPicturesText}));
    EXPECT_EQ(DirectoryAttempts(cam), 15u);
    EXPECT_TRUE(Commands(cam, kOpReadDirectory).empty());
}

TEST_F(Thumbnails, ASeriesOfOversizedDirectoriesIsRetriedLikeAnyFailure)
{
    camera::VirtualCamera& cam = Plug(3);
    for (uint32_t n = 1; n <= 5; ++n) cam.faults().Add(FaultRule::On(Step::GetReply, 2).Nth(n).Value(0x100201));
    AnswerBox();
    Run();
    EXPECT_EQ(BoxTexts(), std::vector<std::string>{"Retry 1"});
    EXPECT_EQ(DirectoryAttempts(cam), 6u);
    EXPECT_EQ(PictureNames(), Names(1, 3));
    EXPECT_EQ(Commands(cam, kOpReadDirectory).size(), 1u) << "only the good size is read";
}

TEST_F(Thumbnails, ALoadThatFindsNothingEmptiesListAndGrid)
{
    camera::VirtualCamera& cam = Plug(12);
    Run([&] {
        EXPECT_TRUE(wa::Visible(wa::FindControl(window_, IDC_NEXT)));
        cam.faults().Add(FaultRule::On(Step::GetReply, 2).Every().State(5));
        for (int i = 0; i < 4; ++i) AnswerBox();
        Click(IDC_FROMDSC);
        EXPECT_EQ(Pictures().m_nCount, 0);
        EXPECT_FALSE(CellShowsAPicture(*dlg_, window_, 0)) << "the grid shows no picture that is gone";
        EXPECT_FALSE(wa::Visible(wa::FindControl(window_, IDC_NEXT)));
    });
    EXPECT_EQ(BoxTexts().size(), 4u);
}

TEST_F(Thumbnails, AReloadWithFewerPicturesEndsThePaging)
{
    camera::VirtualCamera& cam = Plug(12);
    Run([&] {
        EXPECT_TRUE(wa::Visible(wa::FindControl(window_, IDC_NEXT)));
        for (int i = 1; i <= 7; ++i) cam.card().Delete("S000000" + std::to_string(i) + "JPG");
        Click(IDC_FROMDSC);
        EXPECT_EQ(Pictures().m_nCount, 5);
        EXPECT_FALSE(wa::Visible(wa::FindControl(window_, IDC_NEXT)));
        EXPECT_FALSE(wa::Visible(wa::FindControl(window_, IDC_PREV)));
        EXPECT_TRUE(CellShowsAPicture(*dlg_, window_, 4));
        EXPECT_FALSE(CellShowsAPicture(*dlg_, window_, 5));
    });
}

TEST_F(Thumbnails, ThumbnailFetchesAreLimitedAndOdd)
{
    camera::VirtualCamera& cam = Plug(0);
    cam.card().AddPicture(Pattern(30000, 1), ThumbnailFile(1));
    cam.card().AddPicture(Pattern(5001, 2), ThumbnailFile(2, 5001));
    cam.card().AddPicture(Pattern(5000, 3), ThumbnailFile(3, 5000));
    Run();
    std::vector<camera::CAMERA_COMMAND> reads = Commands(cam, kOpReadFile);
    ASSERT_EQ(reads.size(), 3u);
    const DWORD lengths[] = {20481, 5001, 5001};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(reads[i].dwLength, lengths[i]);
        EXPECT_EQ(reads[i].dwParam, 0u);
        char expected[12] = {};
        snprintf(expected, sizeof(expected), "T%07dJPG", i + 1);
        EXPECT_EQ(memcmp(reads[i].szName, expected, 12), 0) << reads[i].szName;
    }
    EXPECT_EQ(PictureNames(), Names(1, 3));
    EXPECT_EQ(Pictures().LookupThumbLength("S0000001"), 20480u);
    EXPECT_EQ(Pictures().LookupThumbLength("S0000003"), 5000u);
    EXPECT_TRUE(BoxTexts().empty());
}

TEST_F(Thumbnails, ADirectoryOf513BytesIsReadInTwoBlocks)
{
    camera::VirtualCamera& cam = Plug(3);
    cam.faults().Add(FaultRule::On(Step::GetReply, 2).Every().Value(513));
    Run();
    std::vector<camera::CAMERA_COMMAND> blocks = Commands(cam, kOpReadDirectory);
    ASSERT_EQ(blocks.size(), 2u);
    EXPECT_EQ(blocks[0].dwParam, 0u);
    EXPECT_EQ(blocks[1].dwParam, 512u);
    EXPECT_EQ(blocks[0].dwLength, 512u);
    EXPECT_EQ(PictureNames(), Names(1, 3));
}

// A thumbnail file with the camera's lead-in and then `stream`.
camera::Bytes LeadInAnd(const camera::Bytes& stream)
{
    camera::Bytes file(camera::kThumbnailLeadIn + stream.size(), 0);
    std::copy(stream.begin(), stream.end(), file.begin() + camera::kThumbnailLeadIn);
    return file;
}

TEST_F(Thumbnails, ThumbnailsThatDoNotDecodeAreCorruptedFiles)
{
    camera::VirtualCamera& cam = Plug(0);
    camera::Bytes good = ThumbnailFile(1);
    cam.card().AddPicture(Pattern(20000, 1), LeadInAnd(Pattern(3000, 7)));  // no start-of-image marker
    camera::Bytes broken = good;
    // The frame header claims one component: the decoder takes three only.
    for (size_t i = camera::kThumbnailLeadIn; i + 9 < broken.size(); ++i) {
        if (broken[i] == 0xFF && broken[i + 1] == 0xC0) {
            broken[i + 9] = 1;
            break;
        }
    }
    cam.card().AddPicture(Pattern(20000, 2), broken);
    cam.card().AddPicture(Pattern(948, 3), good);  // no stream after the lead-in
    cam.card().AddPicture(Pattern(900, 4), good);
    cam.card().AddPicture(Pattern(20000, 5), good);
    AnswerBox();
    Run();
    EXPECT_EQ(BoxTexts(), std::vector<std::string>{kCorruptedText});
    EXPECT_EQ(PictureNames(), std::vector<std::string>{"S0000005"});
}

TEST_F(Thumbnails, AnEmptyPictureIsCorruptedWithoutAFetch)
{
    camera::VirtualCamera& cam = Plug(3);
    cam.card().PutFile("S0000002JPG", {});
    AnswerBox();
    Run();
    EXPECT_EQ(BoxTexts(), std::vector<std::string>{kCorruptedText});
    EXPECT_EQ(PictureNames(), (std::vector<std::string>{"S0000001", "S0000003"}));
    for (const camera::CAMERA_COMMAND& read : Commands(cam, kOpReadFile))
        EXPECT_NE(std::string(read.szName, 8), "T0000002") << "no fetch for an empty picture";
}

TEST_F(Thumbnails, ABlockCountAbove25ReadsNothingBeyondTheBlock)
{
    camera::VirtualCamera& cam = Plug(26);
    cam.card().SetBlockEntryCount(0, 26);  // the 26th would lie past the block
    Run();
    EXPECT_EQ(PictureNames(), Names(1, 26));
    EXPECT_TRUE(BoxTexts().empty());
}

TEST_F(Thumbnails, ABlockCountBeyondItsEntriesGivesCorruptedEntriesOnly)
{
    camera::VirtualCamera& cam = Plug(3);
    cam.card().SetBlockEntryCount(0, 255);
    AnswerBox();
    Run();
    EXPECT_EQ(PictureNames(), Names(1, 3));
    EXPECT_EQ(BoxTexts(), std::vector<std::string>{kCorruptedText});
    EXPECT_EQ(Commands(cam, kOpReadFile).size(), 3u) << "entries of empty bytes are not fetched";
}

TEST_F(Thumbnails, AnAttemptAfterAFailedOneStartsAfresh)
{
    camera::VirtualCamera& cam = Plug(30);
    // The first attempt reads block 0 and fails on block 1.
    cam.faults().Add(FaultRule::On(Step::StatusRead, kOpReadDirectory).Nth(2).State(5));
    Run();
    EXPECT_EQ(DirectoryAttempts(cam), 2u);
    EXPECT_EQ(PictureNames(), Names(1, 30));
    EXPECT_TRUE(BoxTexts().empty());
}

TEST_F(Thumbnails, AReadTheDriverDidNotCarryOutIsNoData)
{
    camera::VirtualCamera& cam = Plug(3);
    // The camera is gone while the second thumbnail's data comes: the
    // driver says the command was not carried out.
    cam.faults().Add(FaultRule::On(Step::DataRead, kOpReadFile).Nth(2).Unplug());
    Run();
    EXPECT_TRUE(cam.WaitUnpluggedByFault());
    EXPECT_EQ(PictureNames(), std::vector<std::string>{"S0000001"});
    EXPECT_TRUE(BoxTexts().empty()) << "pictures that cannot be fetched are left out silently";
}

TEST_F(Thumbnails, NamesThatAreNoPlainFileNamesAreCorruptedFiles)
{
    camera::VirtualCamera& cam = Plug(4);
    auto raw = [](const char* text) { return camera::Bytes(text, text + 8); };
    cam.card().SetEntryName(1, raw("S..\\..\\x"));
    cam.card().SetEntryName(2, raw("SC:WINDO"));
    cam.card().SetEntryName(3, raw("S/../../"));
    AnswerBox();
    Run();
    EXPECT_EQ(BoxTexts(), std::vector<std::string>{kCorruptedText});
    EXPECT_EQ(PictureNames(), std::vector<std::string>{"S0000001"});
    EXPECT_EQ(Commands(cam, kOpReadFile).size(), 1u) << "no fetch under an unsafe name";
}

TEST_F(Thumbnails, FromDscWithoutACameraDoesNothing)
{
    AnswerBox();
    Run([this] {
        wa::ClearModalHistory();
        Click(IDC_FROMDSC);
        EXPECT_TRUE(wa::ModalHistory().empty());
        EXPECT_EQ(Pictures().m_nCount, 0);
    });
}

TEST(CameraNames, OnlyPlainFileNamesPass)
{
    EXPECT_TRUE(IsPlainCameraName("S0000001"));
    EXPECT_TRUE(IsPlainCameraName("SIMG_01A"));
    EXPECT_TRUE(IsPlainCameraName("S  12   "));
    const char* unsafe[] = {"S\\..\\..\\", "S/../../", "S:000001", "SC:WINDO", "S..\\x__1", "S000.001",
                            "S\x01" "000001", "S00000\x7F" "1", "S000\xC3\xA9" "01", "S00*0001", "S00?0001",
                            "S00\"0001", "S00<0001", "S00>0001", "S00|0001"};
    for (const char* name : unsafe) EXPECT_FALSE(IsPlainCameraName(name)) << name;
    const char withNul[8] = {'S', '0', '0', '\0', '0', '0', '0', '1'};
    EXPECT_FALSE(IsPlainCameraName(withNul));
}

}  // namespace
}  // namespace transfer_tests
