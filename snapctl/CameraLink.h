// The accepted camera, opened and locked for the whole of a command, so that
// no other program's traffic comes between snapctl's (the library's own
// locks nest inside this one).
#pragma once

#include "Camera.h"
#include "CameraEntry.h"
#include "ConsoleReport.h"
#include "Options.h"

#include <string>
#include <vector>

// A still-image device as the service lists it.
struct DeviceListing {
    std::string description;
    std::string portName;
    std::string internalName;
    bool accepted;
};
// The still-image devices plugged in, in the service's order.
std::vector<DeviceListing> ListDevices();

// One directory entry in the program's terms.
struct CameraPicture {
    std::string name;       // "S..." (8 characters)
    std::string thumbName;  // "T..."
    DWORD dwFileSize;
    DWORD dwThumbSize;
    bool plainName;         // safe as a file name
};

class CCameraLink {
public:
    CCameraLink(CConsoleReport& report);
    ~CCameraLink();

    // Opens and locks the camera: kExitDone, kExitNoCamera or kExitCameraBusy
    // (told on standard error when bTell).
    ExitCode Open(bool bTell = true);
    void Close();
    // The directory, with the library's retry series.
    std::vector<CameraPicture> ReadPictures();
    CCamera& Camera() { return m_camera; }
    const std::string& Description() const { return m_description; }
    const std::string& PortName() const { return m_portName; }
    const std::string& InternalName() const { return m_internalName; }

private:
    CConsoleReport& m_report;
    CPictureList m_pictures;
    CCamera m_camera;
    bool m_bLocked;
    std::string m_description;
    std::string m_portName;
    std::string m_internalName;
};

// The names selected by the command line, or an error naming each unknown
// one (kExitSomeFailed); the pictures keep the camera's order.
std::vector<CameraPicture> SelectPictures(const std::vector<CameraPicture>& pictures, const Options& options,
                                          CConsoleReport& report, int* pnUnknown);
