// CFile and CStdioFile: opening, reading, text-mode writing and failures.
#include <afx.h>

#include "FakeOs.h"

#include <gtest/gtest.h>

using testing_support::TempDir;

namespace
{

TEST(CStdioFileTest, TextModeWritesCrLfAndAnsiBytes)
{
    TempDir dir;
    const std::wstring path = dir.File(L"out.txt");
    {
        CStdioFile file(path.c_str(), CFile::modeCreate | CFile::modeWrite);
        file.WriteString(L"one\n\ntwo\x20AC\r\nend");
        file.Close();
    }
    EXPECT_EQ(dir.Read(L"out.txt"), std::string("one\r\n\r\ntwo\x80\r\r\nend"));
}

TEST(CStdioFileTest, CreateReplacesTheWholeFile)
{
    TempDir dir;
    dir.Write(L"out.txt", "a much longer earlier content");
    CStdioFile file(dir.File(L"out.txt").c_str(), CFile::modeCreate | CFile::modeWrite);
    file.WriteString(L"short");
    file.Close();
    EXPECT_EQ(dir.Read(L"out.txt"), "short");
}

TEST(CStdioFileTest, ReadStringSplitsLines)
{
    TempDir dir;
    dir.Write(L"in.txt", "first\r\nsecond\nlast");
    CStdioFile file(dir.File(L"in.txt").c_str(), CFile::modeRead);
    CString line;
    ASSERT_TRUE(file.ReadString(line));
    EXPECT_EQ(line, CString(L"first"));
    ASSERT_TRUE(file.ReadString(line));
    EXPECT_EQ(line, CString(L"second"));
    ASSERT_TRUE(file.ReadString(line));
    EXPECT_EQ(line, CString(L"last"));
    EXPECT_FALSE(file.ReadString(line));
}

TEST(CFileTest, OpenFailureFillsTheException)
{
    TempDir dir;
    const std::wstring missing = dir.File(L"missing.dat");
    CFile file;
    CFileException error;
    EXPECT_FALSE(file.Open(missing.c_str(), CFile::modeRead, &error));
    EXPECT_EQ(error.m_cause, CFileException::fileNotFound);
    EXPECT_EQ(error.m_lOsError, 2);
    wchar_t text[512];
    EXPECT_TRUE(error.GetErrorMessage(text, 512));
    EXPECT_EQ(std::wstring(text), missing + L" was not found.");
}

TEST(CFileTest, ConstructorRaisesFileExceptionForAFolder)
{
    TempDir dir;
    try
    {
        CStdioFile file(dir.Wide().c_str(), CFile::modeCreate | CFile::modeWrite);
        FAIL() << "no exception";
    }
    catch (CFileException* e)
    {
        EXPECT_EQ(e->m_cause, CFileException::accessDenied);
        e->Delete();
    }
}

TEST(CFileTest, ReadSeekLengthAndStatus)
{
    TempDir dir;
    dir.Write(L"data.bin", "0123456789");
    CFile file;
    ASSERT_TRUE(file.Open(dir.File(L"data.bin").c_str(), CFile::modeRead | CFile::shareDenyNone));
    EXPECT_EQ(file.GetLength(), 10u);
    char buffer[4] = {};
    EXPECT_EQ(file.Read(buffer, 4), 4u);
    EXPECT_EQ(std::string(buffer, 4), "0123");
    EXPECT_EQ(file.Seek(8, CFile::begin), 8u);
    EXPECT_EQ(file.Read(buffer, 4), 2u);
    CFileStatus status;
    ASSERT_TRUE(file.GetStatus(status));
    EXPECT_EQ(status.m_size, 10u);
    EXPECT_EQ(file.GetFileName(), CString(L"data.bin"));
    try
    {
        file.Seek(-1, CFile::begin);
        FAIL() << "a seek before the start must fail";
    }
    catch (CFileException* e)
    {
        EXPECT_EQ(e->m_cause, CFileException::badSeek);
        e->Delete();
    }
    EXPECT_TRUE(CFile::GetStatus(dir.File(L"data.bin").c_str(), status));
    EXPECT_FALSE(CFile::GetStatus(dir.File(L"nothing").c_str(), status));
}

} // namespace
