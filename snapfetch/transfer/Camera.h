// The camera as the program works with it: found and opened through the
// Still Image service, and the operations on it, which read its pictures
// into a picture list, download the selected ones into a folder and delete
// them. It holds the service's root object, the device list of the last
// enumeration and the opened device; every operation locks the device for
// its traffic. Progress, messages and questions go to an ICameraReport.
#pragma once

#include "CameraReport.h"
#include "PictureList.h"

#include <sti.h>

struct CameraEntry;

class CCamera {
public:
    // The pictures read from the camera go into `pictures`, which must
    // outlive the camera object.
    explicit CCamera(CPictureList& pictures);
    ~CCamera();
    CCamera(const CCamera&) = delete;
    CCamera& operator=(const CCamera&) = delete;

    // ---- Connection
    // Opens the first still-image device with an accepted description:
    // 1 when a camera was opened, 0 otherwise. Every attempt first lets go
    // of what an earlier one held.
    int Connect();
    // Gives up the device, then the root object and the device list.
    void Release();
    BOOL IsOpen() const { return m_pStillImage && m_pStiDevice; }
    IStillImage* StillImage() const { return m_pStillImage; }
    IStiDevice* Device() const { return m_pStiDevice; }
    PSTI_DEVICE_INFORMATIONW DeviceList() const { return m_pDeviceList; }
    // Whether a device description is one of the cameras this program
    // works with (exact comparison, after conversion to the ANSI code page).
    static BOOL IsAcceptedDescription(LPCWSTR pwszDescription);

    // ---- Pictures and thumbnails
    // Reads the directory (with its series of retries and their messages)
    // and every picture's thumbnail into the picture list.
    void LoadPictures(ICameraReport& report);
    // The directory alone, with the same series of retries and messages:
    // the number of entries appended to *ppEntries (freed with
    // FreeCameraEntries), 0 when every series failed.
    int ReadDirectoryWithRetries(CameraEntry** ppEntries, ICameraReport& report);
    // Appends the camera's directory entries to *ppEntries; the number of
    // entries appended, 0 on any failure. Empties the picture list once
    // the device is locked.
    int ReadPictureDirectory(CameraEntry** ppEntries);
    // The first dwLength bytes (made odd) of the camera file lpszName (8
    // characters, no extension) in a VirtualAlloc block the caller frees;
    // null when the file cannot be read.
    LPBYTE FetchCameraFile(LPCSTR lpszName, DWORD dwLength);
    // Decodes a fetched thumbnail file and adds the picture to the list:
    // 1 when added, 0 when the thumbnail cannot be decoded.
    int AddThumbnail(const BYTE* pThumbFile, DWORD dwFileSize, DWORD dwThumbSize, LPCSTR lpszName);

    // ---- Download
    enum class DownloadResult {
        NotStarted,   // no device, or its lock or status query failed: nothing was touched
        Done,         // every selected picture is in its file
        ReadFailed,   // a transfer failed; told, the pictures before it are saved
        WriteFailed,  // a file could not be written; told, the pictures before it are saved
    };
    // Transfers every selected picture, in list order, into "%s%s.jpg" in
    // lpszFolder until one fails. A failure is told after the wait has
    // ended (so the report's wait is over when the result is a failure).
    // The list's cursor ends where it was.
    DownloadResult DownloadSelected(LPCSTR lpszFolder, ICameraReport& report);
    // Transfers one picture (8-character name, dwFileSize bytes on the
    // camera) into lpszPath, a file in lpszFolder: the file holds exactly
    // dwFileSize bytes and appears only once complete. An existing file is
    // replaced only when bReplace; otherwise the result is Exists and the
    // file stays as it was. The caller holds the device lock or not.
    enum class PictureOutcome { Saved, Exists, NoMemory, ReadFailed, WriteFailed };
    PictureOutcome DownloadPicture(LPCSTR lpszName, DWORD dwFileSize, LPCSTR lpszFolder, LPCSTR lpszPath,
                                   BOOL bReplace);
    // Creates a folder with every missing folder above it. Folders that
    // exist already are fine; a drive root is not created.
    static void CreateFolderPath(LPCSTR lpszFolder);

    // ---- Deletion
    // Asks whether the selected pictures are to be deleted and, on Yes,
    // deletes them (on the camera when bCameraMode, or as files for
    // pictures that came from files) and takes them out of the list.
    // FALSE when nothing was removed.
    BOOL DeleteSelected(BOOL bCameraMode, ICameraReport& report);
    // Deletes one picture (8-character name) on the camera; TRUE when the
    // camera confirmed it.
    BOOL DeleteCameraFile(LPCSTR lpszName);

private:
    CPictureList& m_pictures;
    IStillImage* m_pStillImage;
    IStiDevice* m_pStiDevice;
    PSTI_DEVICE_INFORMATIONW m_pDeviceList;  // result of the last enumeration
};
