// End-to-end fixture of the camera operations: the real main window, run
// modally and headless through the platform's automation; the Still Image
// service, which loads the real driver module through the build tree's
// class registry; and in-process virtual cameras with their fault
// injection. Drive C: is a folder of the test's own, and the platform clock
// runs fifty times faster, so the program's pauses cost little real time.
#pragma once

#include "CameraDlg.h"
#include "camera/testing/VirtualCamera.h"

#include <winplat/automation.h>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

// The tests' look inside the main window (a friend of CCameraDlg).
struct CameraDlgProbe {
    static CPictureList& Pictures(CCameraDlg& dlg) { return dlg.m_pictures; }
    static CString& DestFolder(CCameraDlg& dlg) { return dlg.m_strDestFolder; }
    static BYTE CameraMode(CCameraDlg& dlg) { return dlg.m_bCameraMode; }
    static IStiDevice* Device(CCameraDlg& dlg) { return dlg.m_camera.Device(); }
    static IStillImage* Root(CCameraDlg& dlg) { return dlg.m_camera.StillImage(); }
    static PSTI_DEVICE_INFORMATIONW DeviceList(CCameraDlg& dlg) { return dlg.m_camera.DeviceList(); }
    static HWND UsbButton(CCameraDlg& dlg) { return dlg.m_btnUsb.m_hWnd; }
    static const RECT& CellBox(CCameraDlg& dlg, int cell) { return dlg.m_rcCellThumb[cell]; }
};

namespace transfer_tests {

namespace wa = winplat::automation;
using camera::FaultRule;
using camera::Step;

constexpr double kTimeScale = 0.02;
constexpr DWORD kOpReadDirectory = 3;
constexpr DWORD kOpReadFile = 4;
constexpr DWORD kOpDelete = 16;

// A small picture the program's decoder reads (the camera makes its
// thumbnail file from it).
camera::Bytes SmallPicture(int seed);
// A thumbnail file whose JPEG stream fits in `limit` bytes.
camera::Bytes ThumbnailFile(int seed, size_t limit = 20480);
// Bytes that differ from their neighbours, so that misplaced data shows.
camera::Bytes Pattern(size_t size, unsigned seed);
std::string HostFile(const std::string& path);  // the whole file, or "" when missing
// Commands of one opcode that the camera received.
std::vector<camera::CAMERA_COMMAND> Commands(camera::VirtualCamera& cam, DWORD opcode);

// Records the texts of the progress window's text line as they are set.
class ProgressTextRecorder {
public:
    ProgressTextRecorder();
    ~ProgressTextRecorder();
    std::vector<std::string> texts;
};

class TransferTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // A camera plugged in with `pictures` small pictures.
    camera::VirtualCamera& Plug(int pictures, const std::string& description = "Marovane");

    // Runs the main window. Answers for the message boxes that its start-up
    // shows are queued before (AnswerBox); `inside` runs in the window once
    // it is up, and the window ends afterwards as with Esc.
    void Run(const std::function<void()>& inside = {});
    // Answers the next message box (or dialog) with the button `id`.
    static void AnswerBox(int id = IDOK) { wa::WhenModalClick(id); }
    void Click(int id) { wa::ClickButton(window_, id); }
    // A click on the thumbnail of grid cell 0 to 8 (with MK_CONTROL: added
    // to the selection).
    void ClickCell(int cell, UINT keys = 0);
    // Selects the pictures at these 0-based places of the list.
    void Select(const std::vector<int>& places);

    std::vector<std::string> BoxTexts() const;
    std::vector<std::string> PictureNames();
    CPictureList& Pictures() { return CameraDlgProbe::Pictures(*dlg_); }
    // The host path of a DOS path on the test's drive C:.
    std::string HostPath(const std::string& dosPath) const;

    CWinApp app_{"snapfetch"};
    std::unique_ptr<CCameraDlg> dlg_;
    HWND window_ = nullptr;
    std::vector<std::unique_ptr<camera::VirtualCamera>> cams_;
    std::string drive_;
    // False: drive C: starts empty, as on a machine that never saw the
    // program; otherwise the default destination folder is there.
    bool sampleFolderExists_ = true;

private:
    size_t events_ = 0;
    size_t devices_ = 0;
    size_t globals_ = 0;
};

}  // namespace transfer_tests
