#include "TestSupport.h"

#include <gtest/gtest.h>

#include <memory>

TEST(MemFile, ReadsStopAtTheEndOfTheCallersBuffer)
{
    BYTE data[6] = {1, 2, 3, 4, 5, 6};
    CMemFile f(data, sizeof data);
    EXPECT_EQ(f.GetLength(), 6u);
    BYTE out[10] = {};
    EXPECT_EQ(f.Read(out, 4), 4u);
    EXPECT_EQ(f.Read(out, 10), 2u);  // only what is left
    EXPECT_EQ(out[1], 6);
    EXPECT_EQ(f.Read(out, 10), 0u);
    bool thrown = false;
    try {
        f.Seek(100, CFile::begin);  // a fixed buffer cannot be positioned past its end
    } catch (CException* e) {
        thrown = true;
        e->Delete();
    }
    EXPECT_TRUE(thrown);
    EXPECT_EQ(f.GetPosition(), 6u);
}

TEST(MemFile, WritesPastAFixedBufferThrowAndLeaveItIntact)
{
    BYTE data[4] = {9, 9, 9, 9};
    CMemFile f(data, sizeof data);
    f.SeekToBegin();
    const BYTE two[2] = {1, 2};
    f.Write(two, 2);
    const BYTE three[3] = {7, 7, 7};
    bool thrown = false;
    try {
        f.Write(three, 3);
    } catch (CException* e) {
        thrown = true;
        e->Delete();
    }
    EXPECT_TRUE(thrown);
    EXPECT_EQ(data[0], 1);
    EXPECT_EQ(data[2], 9);
    EXPECT_EQ(data[3], 9);
}

TEST(MemFile, GrowingFileKeepsWhatWasWritten)
{
    CMemFile f(16);
    for (int i = 0; i < 100; ++i) f.Write(&i, sizeof i);
    EXPECT_EQ(f.GetLength(), 400u);
    f.SeekToBegin();
    int v = -1;
    f.Seek(99 * 4, CFile::begin);
    f.Read(&v, 4);
    EXPECT_EQ(v, 99);
}

TEST(File, RoundTripSeekAndLength)
{
    char path[MAX_PATH];
    ::GetTempPathA(MAX_PATH, path);
    CString name = CString(path) + _T("fw_file_test.bin");
    {
        CFile f;
        ASSERT_TRUE(f.Open(name, CFile::modeCreate | CFile::modeWrite));
        f.Write("abcdef", 6);
        f.Close();
    }
    CFile f(name, CFile::modeRead | CFile::shareDenyWrite);
    EXPECT_EQ(f.GetLength(), 6u);
    f.Seek(-2, CFile::end);
    char two[3] = {};
    EXPECT_EQ(f.Read(two, 5), 2u);
    EXPECT_STREQ(two, "ef");
    EXPECT_EQ(f.GetFileName(), CString("fw_file_test.bin"));
    f.Close();
    CFile::Remove(name);
}

TEST(File, OpeningAMissingFileReportsCauseAndName)
{
    CFileException e;
    CFile f;
    EXPECT_FALSE(f.Open(_T("C:\\no\\such\\folder\\file.dat"), CFile::modeRead, &e));
    EXPECT_EQ(e.m_cause, CFileException::badPath);
    CString msg = e.GetErrorMessage();
    EXPECT_GE(msg.Find(_T("file.dat")), 0) << msg.GetString();
    EXPECT_GT(msg.GetLength(), (int)strlen("C:\\no\\such\\folder\\file.dat: "));

    bool thrown = false;
    try {
        CFile g(_T("C:\\missing-file.dat"), CFile::modeRead);
    } catch (CFileException* ex) {
        thrown = ex->m_cause == CFileException::fileNotFound;
        ex->Delete();
    }
    EXPECT_TRUE(thrown);
}
