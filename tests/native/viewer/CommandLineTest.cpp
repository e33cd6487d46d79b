#include "viewer/CommandLine.h"

#include <gtest/gtest.h>

#include <string>

using zelvo::SplitViewerCommandLine;

TEST(ViewerCommandLine, SplitsSlideWindowAndServer)
{
    auto c = SplitViewerCommandLine("\"C:\\Zelvo\\Oskerin.exe\" \\\\srv\\slides\\liver.jpg, 1234, 10.250.0.2");
    EXPECT_STREQ(c.exe(), "\"C:\\Zelvo\\Oskerin.exe\"");
    EXPECT_STREQ(c.slidePath(), "\\\\srv\\slides\\liver.jpg");
    EXPECT_EQ(c.window(), 1234u);
    EXPECT_STREQ(c.server(), "10.250.0.2");
}

TEST(ViewerCommandLine, ASeparatorInsideThePathShiftsThePieces)
{
    auto c = SplitViewerCommandLine("\"v.exe\" D:\\a, b.jpg, 77, host, extra");
    EXPECT_STREQ(c.slidePath(), "D:\\a");
    EXPECT_STREQ(c.windowText(), "b.jpg");
    EXPECT_EQ(c.window(), 0u);  // no leading digits
    EXPECT_STREQ(c.server(), "77");  // later pieces are dropped
}

TEST(ViewerCommandLine, NoArgumentsOrNoQuoteLeaveTheFieldsEmpty)
{
    for (const char* line : {"\"C:\\v.exe\"", "\"C:\\v.exe\" ", "C:\\v.exe a, 1, b", ""}) {
        auto c = SplitViewerCommandLine(line);
        EXPECT_STREQ(c.slidePath(), "") << line;
        EXPECT_EQ(c.window(), 0u) << line;
        EXPECT_STREQ(c.server(), "") << line;
    }
    EXPECT_STREQ(SplitViewerCommandLine("C:\\v.exe a, 1, b").exe(), "C:\\v.exe a, 1, b");
    EXPECT_STREQ(SplitViewerCommandLine(nullptr).exe(), "");
}

TEST(ViewerCommandLine, BlanksStayAndLongFieldsAreCutAt255)
{
    std::string longPath(300, 'p');
    auto c = SplitViewerCommandLine(("\"v.exe\" " + longPath + ", 12ab, my host ").c_str());
    EXPECT_EQ(std::string(c.slidePath()), std::string(255, 'p'));
    EXPECT_EQ(c.window(), 12u);
    EXPECT_STREQ(c.server(), "my host ");
}
