// The commands that move pictures: get, thumbnails, delete and watch.
#include "CameraLink.h"
#include "Commands.h"
#include "Destination.h"
#include "JpegDecoder.h"

#include <io.h>
#include <signal.h>
#include <stdio.h>
#include <string.h>

namespace {

volatile sig_atomic_t g_bInterrupted = 0;

void OnInterrupt(int) { g_bInterrupted = 1; }

// How often watch looks for a camera coming or going.
const DWORD kWatchPoll = 500;

struct GetTally {
    int nSaved = 0;
    int nSkipped = 0;
    int nFailed = 0;
    bool bStopped = false;  // the camera or the folder failed: the rest was left
};

void PrintResult(const Options& options, CConsoleReport& report, bool* pbFirst, const CameraPicture& picture,
                 const std::string& file, const char* pszStatus, const std::string& reason)
{
    report.ClearBar();
    if (!options.json) {
        if (!options.quiet && strcmp(pszStatus, "failed") != 0)
            printf("%s\t%s\t%s\n", picture.name.c_str(), pszStatus, file.c_str());
        return;
    }
    printf("%s\n  {\"name\": %s, \"file\": %s, \"size\": %lu, \"status\": \"%s\"", *pbFirst ? "" : ",",
           JsonString(picture.name).c_str(), JsonString(file).c_str(), static_cast<unsigned long>(picture.dwFileSize),
           pszStatus);
    if (!reason.empty()) printf(", \"reason\": %s", JsonString(reason).c_str());
    printf("}");
    *pbFirst = false;
}

// Downloads the pictures in order; a failed transfer or file stops the
// series (the camera or the folder is then in trouble), the files done stay.
GetTally DownloadPictures(CCameraLink& link, const std::vector<CameraPicture>& pictures,
                          const CDestination& dest, const Options& options, CConsoleReport& report,
                          std::vector<std::string>* pSaved)
{
    GetTally tally;
    bool bFirst = true;
    if (options.json) printf("[");
    unsigned long long qwTotal = 0;
    for (const CameraPicture& picture : pictures) qwTotal += picture.dwFileSize;
    report.BeginPictures(static_cast<int>(pictures.size()), qwTotal);
    for (const CameraPicture& picture : pictures) {
        std::string fileName = picture.name + ".jpg";
        std::string hostFile = dest.HostFile(fileName);
        if (!tally.bStopped && Interrupted()) {
            report.Error("interrupted: %s and the pictures after it were not downloaded", picture.name.c_str());
            tally.bStopped = true;
        }
        if (tally.bStopped) {
            PrintResult(options, report, &bFirst, picture, hostFile, "failed",
                        Interrupted() ? "interrupted" : "not attempted");
            ++tally.nFailed;
            continue;
        }
        if (!picture.plainName || picture.dwFileSize == 0) {
            report.Error("%s: not downloaded: the camera's entry is corrupted", picture.name.c_str());
            PrintResult(options, report, &bFirst, picture, hostFile, "failed", "corrupted entry");
            ++tally.nFailed;
            continue;
        }
        std::string dosFile = dest.DosFile(fileName);
        CCamera::PictureOutcome outcome = link.Camera().DownloadPicture(
            picture.name.c_str(), picture.dwFileSize, dest.DosFolder().c_str(), dosFile.c_str(), options.force);
        DWORD dwError = GetLastError();
        switch (outcome) {
            case CCamera::PictureOutcome::Saved:
                ++tally.nSaved;
                if (pSaved) pSaved->push_back(picture.name);
                PrintResult(options, report, &bFirst, picture, hostFile, "saved", "");
                break;
            case CCamera::PictureOutcome::Exists:
                ++tally.nSkipped;
                report.Note("%s: skipped: %s exists already (--force replaces it)", picture.name.c_str(),
                            hostFile.c_str());
                PrintResult(options, report, &bFirst, picture, hostFile, "skipped", "exists");
                break;
            case CCamera::PictureOutcome::WriteFailed: {
                std::string reason = "cannot write " + hostFile + ": " + ErrorReason(dwError);
                report.Error("%s: %s", picture.name.c_str(), reason.c_str());
                PrintResult(options, report, &bFirst, picture, hostFile, "failed", reason);
                ++tally.nFailed;
                tally.bStopped = true;
                break;
            }
            default: {
                std::string reason = "the transfer from the camera failed";
                report.Error("%s: %s; %s not written", picture.name.c_str(), reason.c_str(), hostFile.c_str());
                PrintResult(options, report, &bFirst, picture, hostFile, "failed", reason);
                ++tally.nFailed;
                tally.bStopped = true;
                break;
            }
        }
        report.PictureDone(outcome == CCamera::PictureOutcome::Saved ? picture.dwFileSize : 0);
    }
    report.EndPictures();
    if (options.json) printf("%s]\n", bFirst ? "" : "\n");
    fflush(stdout);
    return tally;
}

bool PrepareDestination(const CDestination& dest, const Options& options, CConsoleReport& report)
{
    std::string reason;
    if (dest.Prepare(&reason)) return true;
    report.Error("%s: %s", options.dest.c_str(), reason.c_str());
    return false;
}

// Waits kWatchPoll platform milliseconds, or less when interrupted.
void Pause()
{
    for (int i = 0; i < 5 && !Interrupted(); ++i) Sleep(kWatchPoll / 5);
}

bool DevicePresent(const std::string& internalName)
{
    for (const DeviceListing& device : ListDevices())
        if (device.internalName == internalName) return true;
    return false;
}

bool AcceptedPresent()
{
    for (const DeviceListing& device : ListDevices())
        if (device.accepted) return true;
    return false;
}

}  // namespace

bool Interrupted() { return g_bInterrupted != 0; }

void CatchInterrupt() { signal(SIGINT, OnInterrupt); }

ExitCode RunGet(const Options& options, CConsoleReport& report)
{
    CDestination dest(options.dest);
    if (!PrepareDestination(dest, options, report)) return kExitUsage;
    CCameraLink link(report);
    ExitCode code = link.Open();
    if (code != kExitDone) return code;
    int nUnknown = 0;
    std::vector<CameraPicture> pictures = SelectPictures(link.ReadPictures(), options, report, &nUnknown);
    GetTally tally = DownloadPictures(link, pictures, dest, options, report, NULL);
    report.Note("%d saved, %d skipped, %d failed", tally.nSaved, tally.nSkipped, tally.nFailed + nUnknown);
    return tally.nFailed + nUnknown ? kExitSomeFailed : kExitDone;
}

ExitCode RunThumbnails(const Options& options, CConsoleReport& report)
{
    CDestination dest(options.dest);
    if (!PrepareDestination(dest, options, report)) return kExitUsage;
    CCameraLink link(report);
    ExitCode code = link.Open();
    if (code != kExitDone) return code;
    int nFailed = 0;
    std::vector<CameraPicture> pictures = SelectPictures(link.ReadPictures(), options, report, &nFailed);
    for (const CameraPicture& picture : pictures) {
        if (Interrupted()) {
            report.Error("interrupted: the thumbnails from %s on were not written", picture.name.c_str());
            ++nFailed;
            break;
        }
        std::string fileName = picture.thumbName + ".jpg";
        std::string hostFile = dest.HostFile(fileName);
        if (!picture.plainName || picture.dwThumbSize <= kThumbnailLeadIn) {
            report.Error("%s: no thumbnail: the camera's entry is corrupted", picture.name.c_str());
            ++nFailed;
            continue;
        }
        LPBYTE pFile = link.Camera().FetchCameraFile(picture.thumbName.c_str(), picture.dwThumbSize);
        if (!pFile) {
            report.Error("%s: the thumbnail's transfer from the camera failed", picture.name.c_str());
            ++nFailed;
            continue;
        }
        const BYTE* pStream = pFile + kThumbnailLeadIn;
        DWORD dwStream = picture.dwThumbSize - kThumbnailLeadIn;
        CJpegDecoder decoder;
        bool bDecodes = decoder.DecodeMemory(pStream, dwStream) != NULL;
        decoder.FreeBuffers();
        bool bWritten = false;
        DWORD dwError = 0;
        if (bDecodes) {
            std::string dosFile = dest.DosFile(fileName);
            HANDLE hFile =
                CreateFileA(dosFile.c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
            DWORD dwWritten = 0;
            if (hFile != INVALID_HANDLE_VALUE) {
                bWritten = WriteFile(hFile, pStream, dwStream, &dwWritten, NULL) && dwWritten == dwStream;
                dwError = GetLastError();
                CloseHandle(hFile);
                if (!bWritten) DeleteFileA(dosFile.c_str());
            } else {
                dwError = GetLastError();
            }
        }
        VirtualFree(pFile, 0, MEM_RELEASE);
        if (!bDecodes) {
            report.Error("%s: the thumbnail does not decode; %s not written", picture.name.c_str(), hostFile.c_str());
            ++nFailed;
        } else if (!bWritten) {
            report.Error("%s: cannot write %s: %s", picture.name.c_str(), hostFile.c_str(),
                         ErrorReason(dwError).c_str());
            ++nFailed;
        } else if (!options.quiet) {
            printf("%s\tsaved\t%s\n", picture.name.c_str(), hostFile.c_str());
        }
    }
    return nFailed ? kExitSomeFailed : kExitDone;
}

ExitCode RunDelete(const Options& options, CConsoleReport& report)
{
    if (!options.yes && !_isatty(0)) {
        report.Error("delete: standard input is not a terminal; nothing deleted (--yes deletes without asking)");
        return kExitUsage;
    }
    CCameraLink link(report);
    ExitCode code = link.Open();
    if (code != kExitDone) return code;
    int nFailed = 0;
    std::vector<CameraPicture> pictures = SelectPictures(link.ReadPictures(), options, report, &nFailed);
    if (pictures.empty()) return nFailed ? kExitSomeFailed : kExitDone;
    if (!options.yes) {
        fprintf(stderr, "Delete %u picture(s) on the camera? [y/N] ", static_cast<unsigned>(pictures.size()));
        fflush(stderr);
        char szAnswer[16] = "";
        if (!fgets(szAnswer, sizeof(szAnswer), stdin) || (szAnswer[0] != 'y' && szAnswer[0] != 'Y')) {
            report.Note("nothing deleted");
            return kExitDone;
        }
    }
    for (const CameraPicture& picture : pictures) {
        if (link.Camera().DeleteCameraFile(picture.name.c_str())) {
            if (!options.quiet) printf("%s\tdeleted\n", picture.name.c_str());
        } else {
            report.Error("%s: the camera did not delete it", picture.name.c_str());
            ++nFailed;
        }
    }
    return nFailed ? kExitSomeFailed : kExitDone;
}

ExitCode RunWatch(const Options& options, CConsoleReport& report)
{
    CDestination dest(options.dest);
    if (!PrepareDestination(dest, options, report)) return kExitUsage;
    CatchInterrupt();
    Options getOptions = options;
    getOptions.all = true;
    getOptions.force = false;
    getOptions.json = false;
    report.Note("waiting for a camera (Ctrl+C ends)");
    ExitCode lastCode = kExitDone;
    while (!Interrupted()) {
        if (!AcceptedPresent()) {
            Pause();
            continue;
        }
        CCameraLink link(report);
        // A camera that stays busy or unopenable is told once, not at every look.
        ExitCode code = link.Open(lastCode == kExitDone);
        lastCode = code;
        if (code != kExitDone) {
            Pause();
            continue;
        }
        std::string internalName = link.InternalName();
        report.Note("camera \"%s\" on %s", link.Description().c_str(), link.PortName().c_str());
        std::vector<std::string> saved;
        int nUnknown = 0;
        GetTally tally = DownloadPictures(link, SelectPictures(link.ReadPictures(), getOptions, report, &nUnknown),
                                          dest, getOptions, report, &saved);
        int nDeleted = 0;
        if (options.deleteAfter) {
            for (const std::string& name : saved) {
                if (Interrupted()) break;
                if (link.Camera().DeleteCameraFile(name.c_str())) ++nDeleted;
                else report.Error("%s: saved, but the camera did not delete it", name.c_str());
            }
        }
        link.Close();
        report.Note("%d saved, %d skipped, %d failed%s", tally.nSaved, tally.nSkipped, tally.nFailed,
                    options.deleteAfter ? (", " + std::to_string(nDeleted) + " deleted").c_str() : "");
        report.Note("waiting for the camera to be unplugged");
        while (!Interrupted() && DevicePresent(internalName)) Pause();
        if (!Interrupted()) report.Note("camera unplugged; waiting for a camera");
    }
    report.Note("ended");
    return kExitDone;
}
