#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cmath>

TEST(String, FormatUsesOnePinnedPrintfFamily)
{
    CString s;
    s.Format("%6.2f|%6.2f|%6.2f", 3.14159, 0.125, 2.675);
    EXPECT_EQ(s, CString("  3.14|  0.12|  2.67"));  // exact binary values, round half to even
    s.Format("%6.2f|%f", INFINITY, NAN);
    EXPECT_EQ(s, CString("   inf|nan"));
    s.Format("%d-%s-%05.1f", -3, "中文", 1.25);
    EXPECT_EQ(s, CString("-3-中文-001.2"));
    s.AppendFormat("%c", 'x');
    EXPECT_EQ(s.Right(1), CString("x"));
}

TEST(String, AnsiLiteralsAreGb2312AndConvertToUnicode)
{
    CStringA a("切片");
    ASSERT_EQ(a.GetLength(), 4);  // two double-byte characters
    EXPECT_EQ((unsigned char)a[0], 0xC7u);
    EXPECT_EQ((unsigned char)a[1], 0xD0u);
    CStringW w(a);
    EXPECT_EQ(w, CStringW(L"切片"));
    EXPECT_EQ(CStringA(w), a);
}

TEST(String, EditingOperations)
{
    CString s("C:\\A\\B\\viewer.exe");
    EXPECT_EQ(s.ReverseFind('\\'), 6);
    EXPECT_EQ(s.Left(7), CString("C:\\A\\B\\"));
    EXPECT_EQ(s.Mid(7), CString("viewer.exe"));
    EXPECT_EQ(s.Mid(100), CString(""));
    EXPECT_EQ(s.Mid(4, 100), CString("\\B\\viewer.exe"));
    EXPECT_EQ(s.Find(".exe"), 13);
    EXPECT_EQ(s.Find('z'), -1);
    EXPECT_EQ(s.Find("A", 99), -1);
    CString r("a, b, c");
    EXPECT_EQ(r.Replace(", ", ";"), 2);
    EXPECT_EQ(r, CString("a;b;c"));
    CString t("  x y \t");
    EXPECT_EQ(t.Trim(), CString("x y"));
    CString buf;
    strcpy(buf.GetBuffer(10), "abc");
    buf.ReleaseBuffer();
    EXPECT_EQ(buf.GetLength(), 3);
    EXPECT_EQ(CString("Abc").CompareNoCase("aBC"), 0);
}
