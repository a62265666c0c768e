#include "Destination.h"

#include "Camera.h"

#include <windows.h>

CDestination::CDestination(const std::string& hostFolder) : m_host(hostFolder)
{
    m_dos = !hostFolder.empty() && hostFolder[0] == '/' ? "Z:" + hostFolder : hostFolder;
    while (m_dos.size() > 3 && (m_dos.back() == '/' || m_dos.back() == '\\')) m_dos.pop_back();
}

bool CDestination::Prepare(std::string* pstrReason) const
{
    DWORD dwAttributes = GetFileAttributesA(m_dos.c_str());
    if (dwAttributes == INVALID_FILE_ATTRIBUTES) {
        CCamera::CreateFolderPath(m_dos.c_str());
        dwAttributes = GetFileAttributesA(m_dos.c_str());
        if (dwAttributes == INVALID_FILE_ATTRIBUTES) {
            *pstrReason = "cannot create it: " + ErrorReason(GetLastError());
            return false;
        }
    }
    if (!(dwAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
        *pstrReason = "not a folder";
        return false;
    }
    // A file made and removed again proves that files can be written there.
    char szTemp[MAX_PATH];
    if (!GetTempFileNameA(m_dos.c_str(), "snc", 0, szTemp)) {
        *pstrReason = "cannot write into it: " + ErrorReason(GetLastError());
        return false;
    }
    DeleteFileA(szTemp);
    return true;
}

std::string CDestination::DosFile(const std::string& fileName) const
{
    char chLast = m_dos.empty() ? '\\' : m_dos.back();
    return m_dos + (chLast == '\\' || chLast == '/' ? "" : "\\") + fileName;
}

std::string CDestination::HostFile(const std::string& fileName) const
{
    return m_host + (!m_host.empty() && m_host.back() == '/' ? "" : "/") + fileName;
}

std::string ErrorReason(unsigned long dwError)
{
    switch (dwError) {
        case ERROR_ACCESS_DENIED: return "permission denied";
        case ERROR_DISK_FULL:
        case ERROR_HANDLE_DISK_FULL: return "the disk is full";
        case ERROR_PATH_NOT_FOUND:
        case ERROR_FILE_NOT_FOUND: return "no such folder";
        case ERROR_WRITE_PROTECT: return "the disk is write-protected";
        default: return "error " + std::to_string(dwError);
    }
}
