// DOS paths on the host.
#include "scratch.h"

#include <fstream>

namespace {

class DosPaths : public ScratchDrive {};

std::string Map(const char* dos)
{
    std::string host;
    DWORD error = winplat::DosToHostPath(dos, &host);
    return error ? "error " + std::to_string(error) : host;
}

TEST_F(DosPaths, DriveRootIsTheDriveFolder)
{
    EXPECT_EQ(Map("C:\\"), drive_.string());
    EXPECT_EQ(Map("c:"), drive_.string());
    EXPECT_EQ(Map("C:/"), drive_.string());
    EXPECT_EQ(winplat::HostToDosPath(drive_.string()), "C:\\");
}

TEST_F(DosPaths, BothSeparatorsAndDotsResolve)
{
    EXPECT_EQ(Map("C:\\WINDOWS/TWAIN_32\\..\\.\\x.txt"), Host("WINDOWS/x.txt"));
    EXPECT_EQ(Map("C:\\..\\..\\a"), Host("a"));  // never above the drive root
    EXPECT_EQ(winplat::HostToDosPath(Host("WINDOWS/x.txt")), "C:\\WINDOWS\\x.txt");
}

TEST_F(DosPaths, ExistingNamesAreFoundInAnyLetterCase)
{
    std::filesystem::create_directories(Host("Pictures/Trip"));
    std::ofstream(Host("Pictures/Trip/S0000001.JPG")) << "x";
    EXPECT_EQ(Map("c:\\PICTURES\\trip\\s0000001.jpg"), Host("Pictures/Trip/S0000001.JPG"));
    // A name that does not exist keeps the letters it was given.
    EXPECT_EQ(Map("C:\\pictures\\New Folder\\A.jpg"), Host("Pictures/New Folder/A.jpg"));
}

TEST_F(DosPaths, TrailingDotsAndBlanksAreDropped)
{
    EXPECT_EQ(Map("C:\\name. . "), Host("name"));
}

TEST_F(DosPaths, ZIsTheHostRoot)
{
    EXPECT_EQ(Map("Z:\\"), "/");
    EXPECT_EQ(Map("z:\\tmp"), "/tmp");
    EXPECT_EQ(winplat::HostToDosPath("/usr/share"), "Z:\\usr\\share");
}

TEST_F(DosPaths, BadNamesAndMissingDrivesAreRefused)
{
    EXPECT_EQ(Map("D:\\x"), "error 3");
    EXPECT_EQ(Map("C:\\a?b"), "error 123");
    EXPECT_EQ(Map("C:\\a\x01z"), "error 123");
    EXPECT_EQ(Map("C:\\a:b"), "error 123");
    EXPECT_EQ(Map("\\\\server\\share"), "error 161");
    EXPECT_EQ(Map(""), "error 3");
}

TEST_F(DosPaths, DriveCStartsWithTheSystemFolders)
{
    EXPECT_TRUE(std::filesystem::is_directory(Host("WINDOWS/TWAIN_32")));
}

}  // namespace
