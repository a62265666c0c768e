// The destination folder: the user writes a host path; the platform's
// programs see host paths through its drive Z:, which is the host's root, and
// resolve relative paths against the current folder as they are.
#pragma once

#include <string>

class CDestination {
public:
    explicit CDestination(const std::string& hostFolder);

    // Creates the folder when missing and checks that files can be made in
    // it: false with the reason in *pstrReason.
    bool Prepare(std::string* pstrReason) const;
    // The folder as the platform takes it, and a file in it.
    const std::string& DosFolder() const { return m_dos; }
    std::string DosFile(const std::string& fileName) const;
    // A file in it as the user knows it.
    std::string HostFile(const std::string& fileName) const;

private:
    std::string m_host;
    std::string m_dos;
};

// The reason of a platform error code, as a user reads it.
std::string ErrorReason(unsigned long dwError);
