// Finding and opening the camera: which device is chosen, what the user is
// told, and what the main window holds afterwards.
#include "TransferFixture.h"

#include "camera/core/Plugging.h"

#include <winplat/objects.h>
#include <winplat/stidevices.h>

namespace transfer_tests {
namespace {

const char kNoCameraText[] =
    "Can not find digital camera!\nTIP:\n(1)Check if digital camear is powered on already.\n"
    "(2)Check if the either USB or RS232 cable is connected properly.\n"
    "(3)Turn off camear. Reset and plug it again.";
const char kCameraGoneText[] = "Can't find DSC connected to USB!";

using Connect = TransferTest;

bool UsbDrawnPushed(CCameraDlg& dlg)
{
    return (SendMessageA(CameraDlgProbe::UsbButton(dlg), BM_GETSTATE, 0, 0) & BST_PUSHED) != 0;
}

TEST_F(Connect, WithoutAnyDeviceTheStartUpSaysSoAndUsbSaysNothing)
{
    AnswerBox();
    Run([this] {
        Click(IDC_USB);
        Click(IDC_USB);
        EXPECT_EQ(CameraDlgProbe::Device(*dlg_), nullptr);
        EXPECT_NE(CameraDlgProbe::Root(*dlg_), nullptr) << "the root stays until the next attempt";
        EXPECT_FALSE(UsbDrawnPushed(*dlg_));
    });
    EXPECT_EQ(BoxTexts(), std::vector<std::string>{kNoCameraText});
    EXPECT_EQ(CameraDlgProbe::CameraMode(*dlg_), 0);
}

TEST_F(Connect, TheFirstAcceptedDeviceInTheServicesOrderIsOpened)
{
    camera::VirtualCamera& first = Plug(1, "Pardex");
    camera::VirtualCamera& second = Plug(2, "Marovane");
    Run();
    EXPECT_EQ(PictureNames(), std::vector<std::string>{"S0000001"});
    EXPECT_FALSE(first.requests().empty());
    EXPECT_TRUE(second.requests().empty());
    EXPECT_TRUE(BoxTexts().empty());
}

TEST_F(Connect, DescriptionsMustMatchExactly)
{
    camera::VirtualCamera& lower = Plug(1, "marovane");
    camera::VirtualCamera& blank = Plug(1, "Marovane ");
    camera::VirtualCamera& other = Plug(1, "Marovane Pro");
    camera::VirtualCamera& accepted = Plug(2, "Corvana Qa410m");
    Run();
    EXPECT_EQ(PictureNames(), (std::vector<std::string>{"S0000001", "S0000002"}));
    EXPECT_TRUE(lower.requests().empty());
    EXPECT_TRUE(blank.requests().empty());
    EXPECT_TRUE(other.requests().empty());
    EXPECT_FALSE(accepted.requests().empty());
}

TEST_F(Connect, AnAcceptedDeviceThatCannotBeOpenedLeavesNothingOpen)
{
    // Listed by the service, but nothing serves its port.
    winplat::StillImageDevice broken{"BROKEN0", "Marovane", "\\\\.\\NOCAMERA0", camera::kDriverClassId,
                                     GetCurrentProcessId()};
    ASSERT_TRUE(winplat::AddStillImageDevice(broken));
    AnswerBox();
    Run([this] {
        EXPECT_EQ(CameraDlgProbe::Device(*dlg_), nullptr);
        EXPECT_EQ(CameraDlgProbe::Root(*dlg_), nullptr) << "the root is released";
    });
    EXPECT_EQ(BoxTexts(), std::vector<std::string>{kNoCameraText});
    winplat::RemoveStillImageDevice("BROKEN0");
}

TEST_F(Connect, UsbWhileConnectedReopensTheCamera)
{
    Plug(3);
    Run([this] {
        IStiDevice* before = CameraDlgProbe::Device(*dlg_);
        ASSERT_NE(before, nullptr);
        before->AddRef();  // kept alive to see that the window lets it go
        Click(IDC_USB);
        IStiDevice* after = CameraDlgProbe::Device(*dlg_);
        EXPECT_NE(after, nullptr);
        EXPECT_NE(after, before);
        EXPECT_EQ(before->Release(), 0u) << "the old device was released";
        EXPECT_TRUE(UsbDrawnPushed(*dlg_));
        EXPECT_EQ(Pictures().m_nCount, 3);
    });
    EXPECT_TRUE(BoxTexts().empty());
}

TEST_F(Connect, UsbAfterTheCameraWasUnpluggedKeepsThePictures)
{
    camera::VirtualCamera& cam = Plug(3);
    Run([&] {
        cam.Unplug();
        AnswerBox();
        Click(IDC_USB);
        EXPECT_EQ(CameraDlgProbe::Device(*dlg_), nullptr);
        EXPECT_EQ(CameraDlgProbe::CameraMode(*dlg_), 1);
        EXPECT_TRUE(UsbDrawnPushed(*dlg_));
    });
    EXPECT_EQ(BoxTexts(), std::vector<std::string>{kCameraGoneText});
    EXPECT_EQ(PictureNames(), (std::vector<std::string>{"S0000001", "S0000002", "S0000003"}));
}

TEST_F(Connect, EachEnumerationFreesTheLastDeviceList)
{
    Plug(1);
    Run([this] {
        size_t blocks = winplat::CountObjects(winplat::ObjectKind::GlobalMemory);
        PSTI_DEVICE_INFORMATIONW list = CameraDlgProbe::DeviceList(*dlg_);
        EXPECT_NE(list, nullptr);
        for (int i = 0; i < 5; ++i) Click(IDC_USB);
        EXPECT_EQ(winplat::CountObjects(winplat::ObjectKind::GlobalMemory), blocks);
    });
    // The fixture checks that ReleaseCamera freed the last one.
}

}  // namespace
}  // namespace transfer_tests
