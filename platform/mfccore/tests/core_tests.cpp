// The framework's core without windows: strings, files and exceptions.
#include <afx.h>
#include <winplat/host.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

// ---- CString -------------------------------------------------------------------

TEST(CoreString, PiecesClampToTheString)
{
    CString s("picture");
    EXPECT_EQ(s.Left(3), "pic");
    EXPECT_EQ(s.Left(-1), "");
    EXPECT_EQ(s.Left(99), "picture");
    EXPECT_EQ(s.Mid(4), "ure");
    EXPECT_EQ(s.Mid(-2, 3), "pic");
    EXPECT_EQ(s.Mid(5, 99), "re");
    EXPECT_EQ(s.Mid(7), "");
    EXPECT_EQ(s.Mid(8, 1), "");
    EXPECT_EQ(s.Right(2), "re");
    EXPECT_EQ(s.Right(99), "picture");
    EXPECT_EQ(s.GetAt(7), '\0') << "outside the string";
    s.SetAt(-1, 'x');
    s.SetAt(7, 'x');
    EXPECT_EQ(s, "picture");
}

TEST(CoreString, SearchAndCompare)
{
    CString s("S0\\TEST1.JPG");
    EXPECT_EQ(s.Find('\\'), 2);
    EXPECT_EQ(s.Find('T', 4), 6);
    EXPECT_EQ(s.Find('T', 99), -1);
    EXPECT_EQ(s.Find("JPG"), 9);
    EXPECT_EQ(s.Find(""), 0);
    EXPECT_EQ(s.Find("JPG", 13), -1);
    EXPECT_EQ(s.ReverseFind('T'), 6);
    EXPECT_EQ(s.ReverseFind('x'), -1);
    EXPECT_EQ(s.CompareNoCase("s0\\test1.jpg"), 0);
    EXPECT_LT(CString("a").Compare("b"), 0);
    EXPECT_TRUE(CString("a") < CString("b"));
    EXPECT_EQ(CString().Compare(nullptr), 0) << "null compares as empty";
}

TEST(CoreString, FormatGrowsToAnyLength)
{
    CString s;
    s.Format("Do you want to delete %d image(s)?", 3);
    EXPECT_EQ(s, "Do you want to delete 3 image(s)?");
    std::string longText(5000, 'x');
    s.Format("%s|%s", longText.c_str(), "end");
    EXPECT_EQ(s.GetLength(), 5004);
    EXPECT_EQ(s.Right(4), "|end");
    s.Format(nullptr);
    EXPECT_TRUE(s.IsEmpty());
}

TEST(CoreString, BuffersAndTrimming)
{
    CString s;
    char* buffer = s.GetBuffer(16);
    strcpy(buffer, "C:\\Pictures");
    s.ReleaseBuffer();
    EXPECT_EQ(s, "C:\\Pictures");
    s.GetBuffer(0)[2] = '\0';
    s.ReleaseBuffer();
    EXPECT_EQ(s, "C:") << "the length is taken up to the first null";
    s.GetBufferSetLength(4);
    s.ReleaseBuffer(10);
    EXPECT_EQ(s.GetLength(), 4) << "a length given is kept to the buffer";
    CString padded(" \t name \n");
    padded.TrimLeft();
    padded.TrimRight();
    EXPECT_EQ(padded, "name");
    EXPECT_EQ(CString("abcdef", 3), "abc");
    EXPECT_EQ(CString("ab\0cd", 5), "ab") << "a length past a null stops at it";
    EXPECT_EQ(CString('-', 3), "---");
    EXPECT_EQ(CString('-', -1), "");
    EXPECT_EQ("a" + CString("b") + 'c' + "d", "abcd");
}

// ---- CFile and its exception -------------------------------------------------------

class CoreFile : public ::testing::Test {
protected:
    void SetUp() override
    {
        const char* base = std::getenv("WINPLAT_TEST_SCRATCH");
        std::filesystem::path root = base ? base : std::filesystem::temp_directory_path() / "mfccore-tests";
        drive_ = root / "drive" / ::testing::UnitTest::GetInstance()->current_test_info()->name();
        std::filesystem::remove_all(drive_);
        std::filesystem::create_directories(drive_);
        winplat::SetDriveCFolder(drive_.string());
    }

    std::filesystem::path drive_;
};

// The cause of the exception a file operation throws, or -1 for none.
template <class Operation>
int ThrownCause(Operation operation, LONG* osError = nullptr)
{
    try {
        operation();
    } catch (CFileException* e) {
        int cause = e->m_cause;
        if (osError) *osError = e->m_lOsError;
        e->Delete();
        return cause;
    }
    return -1;
}

TEST_F(CoreFile, WritesReadsAndSeeks)
{
    {
        CFile file("C:\\data.bin", CFile::modeCreate | CFile::modeWrite);
        file.Write("0123456789", 10);
        file.Write("", 0);
        EXPECT_EQ(file.GetLength(), 10u);
        file.Close();
        EXPECT_EQ(file.m_hFile, CFile::hFileNull);
    }
    CFile file;
    ASSERT_TRUE(file.Open("c:/DATA.BIN", CFile::modeRead | CFile::shareDenyWrite));
    EXPECT_EQ(file.GetFilePath(), "c:/DATA.BIN");
    char buffer[16] = {};
    EXPECT_EQ(file.Seek(4, CFile::begin), 4u);
    EXPECT_EQ(file.Read(buffer, sizeof(buffer)), 6u) << "a read stops at the end";
    EXPECT_EQ(std::string(buffer, 6), "456789");
    EXPECT_EQ(file.Read(buffer, sizeof(buffer)), 0u);
    EXPECT_EQ(file.SeekToEnd(), 10u);
    EXPECT_EQ(ThrownCause([&] { file.Seek(-11, CFile::end); }), CFileException::badSeek);
}

TEST_F(CoreFile, CreateTruncatesUnlessToldNotTo)
{
    std::ofstream(drive_ / "keep.txt") << "kept text";
    {
        CFile file("C:\\keep.txt", CFile::modeCreate | CFile::modeNoTruncate | CFile::modeReadWrite);
        EXPECT_EQ(file.GetLength(), 9u);
    }
    CFile file("C:\\keep.txt", CFile::modeCreate | CFile::modeWrite);
    EXPECT_EQ(file.GetLength(), 0u);
}

TEST_F(CoreFile, FailuresCarryTheirCauseAndName)
{
    CFileException error;
    CFile file;
    EXPECT_FALSE(file.Open("C:\\missing.jpg", CFile::modeRead, &error));
    EXPECT_EQ(error.m_cause, CFileException::fileNotFound);
    EXPECT_EQ(error.m_lOsError, static_cast<LONG>(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(error.m_strFileName, "C:\\missing.jpg");
    char text[128];
    EXPECT_TRUE(error.GetErrorMessage(text, sizeof(text)));
    EXPECT_NE(std::string(text).find("C:\\missing.jpg"), std::string::npos) << text;

    LONG osError = 0;
    EXPECT_EQ(ThrownCause([] { CFile("C:\\no\\such\\folder\\x.jpg", CFile::modeRead); }, &osError),
              CFileException::badPath);
    EXPECT_EQ(osError, static_cast<LONG>(ERROR_PATH_NOT_FOUND));
    EXPECT_FALSE(file.Open("Q:\\x.jpg", CFile::modeRead)) << "no error object to fill";

    CFile reader("C:\\r.txt", CFile::modeCreate | CFile::modeReadWrite);
    reader.Close();
    CFile readOnly("C:\\r.txt", CFile::modeRead);
    EXPECT_NE(ThrownCause([&] { readOnly.Write("x", 1); }), -1) << "writing a file opened for reading";
    readOnly.Abort();
    readOnly.Abort();
    EXPECT_NE(ThrownCause([&] { readOnly.Write("x", 1); }), -1) << "writing after Abort";
}

TEST(CoreException, KindsAndMessages)
{
    CFileException fileError(CFileException::diskFull, ERROR_DISK_FULL, nullptr);
    EXPECT_TRUE(fileError.IsKindOf(RUNTIME_CLASS(CException)));
    EXPECT_TRUE(fileError.IsKindOf(RUNTIME_CLASS(CObject)));
    EXPECT_FALSE(fileError.IsKindOf(RUNTIME_CLASS(CFile)));
    char text[8];
    EXPECT_TRUE(fileError.GetErrorMessage(text, sizeof(text))) << "cut to the buffer";
    EXPECT_EQ(strlen(text), 7u);
    CException plain;
    text[0] = 'x';
    EXPECT_FALSE(plain.GetErrorMessage(text, sizeof(text)));
    EXPECT_EQ(text[0], '\0');
    EXPECT_EQ(CFileException::OsErrorToException(ERROR_SHARING_VIOLATION), CFileException::sharingViolation);
    EXPECT_EQ(CFileException::OsErrorToException(12345), CFileException::genericException);
    bool caught = false;
    try {
        AfxThrowMemoryException();
    } catch (CMemoryException* e) {
        caught = e->IsKindOf(RUNTIME_CLASS(CException));
        e->Delete();
    }
    EXPECT_TRUE(caught);
}

}  // namespace
