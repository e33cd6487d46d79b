#include "catalogue/CatalogNames.h"
#include "catalogue/Discovery.h"
#include "catalogue/FitImage.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace zelvo::catalog;

TEST(CatalogNames, FolderPathsPrefixesAndListTexts)
{
    EXPECT_EQ(FolderPath({}), u"");
    EXPECT_EQ(FolderPath({u"A", u"B"}), u"A\\B\\");
    EXPECT_EQ(ServerPathPrefix(u"D:\\Lib\\A\\B"), u"D:\\Lib\\");
    EXPECT_EQ(ServerPathPrefix(u"D:\\Lib"), u"");
    EXPECT_EQ(LastComponent(u"D:\\Lib\\A\\B"), u"B");
    EXPECT_EQ(LastComponent(u"B"), u"B");
    EXPECT_EQ(LastComponent(u"D:\\Lib\\"), u"");
    EXPECT_EQ(ListItemText(u"he.tif"), u"he");
    EXPECT_EQ(ListItemText(u"noext"), u"");
}

TEST(CatalogNames, SlidesAreAskedForByTheirListTextWithJpgAndDottedNamesKeepTheirDots)
{
    // A name cut at its first dot would ask for another slide ("a.jpg").
    EXPECT_EQ(ListItemText(u"a.b.jpg"), u"a.b");
    EXPECT_EQ(SlideRequestPath(u"A\\B\\", ListItemText(u"a.b.jpg")), u"A\\B\\a.b.jpg");
    // Not the file's own extension: the servers know every slide by its name with ".jpg".
    EXPECT_EQ(SlideRequestPath(u"Histology\\", ListItemText(u"he.tif")), u"Histology\\he.jpg");
    EXPECT_EQ(SlideRequestPath(u"", u"x.y"), u"x.y.jpg");
    EXPECT_EQ(SlideRequestPath(u"A\\", u""), u"");
}

TEST(CatalogNames, ViewerParametersRefuseWhatTheViewerWouldSplitWrongly)
{
    std::u16string out;
    EXPECT_EQ(BuildViewerParameters(u"D:\\Lib\\A\\B\\a.b.jpg", 1234, u"10.0.0.5", out), ViewerLineResult::ok);
    EXPECT_EQ(out, u"D:\\Lib\\A\\B\\a.b.jpg, 1234, 10.0.0.5");
    EXPECT_EQ(BuildViewerParameters(u"D:\\Lib\\x, y.tif", 1, u"h", out), ViewerLineResult::separatorInField);
    EXPECT_TRUE(out.empty());
    EXPECT_EQ(BuildViewerParameters(u"D:\\a,b.tif", 1, u"h", out), ViewerLineResult::ok);
    EXPECT_EQ(BuildViewerParameters(u"", 1, u"h", out), ViewerLineResult::emptyPath);
    EXPECT_EQ(BuildViewerParameters(u"p", 1, u"a, b", out), ViewerLineResult::separatorInField);
    EXPECT_EQ(BuildViewerParameters(std::u16string(255, u'x'), 1, u"h", out), ViewerLineResult::ok);
    EXPECT_EQ(BuildViewerParameters(std::u16string(256, u'x'), 1, u"h", out), ViewerLineResult::fieldTooLong);
}

TEST(CatalogNames, Utf8AndUtf16RoundTripAndBadBytesBecomeReplacements)
{
    const std::string text = "切片\xF0\x9F\x94\xAC.tif";
    std::u16string w = Utf8ToUtf16(text);
    EXPECT_EQ(w.size(), 2u + 2u + 4u);
    EXPECT_EQ(Utf16ToUtf8(w), text);
    EXPECT_EQ(Utf8ToUtf16("a\xFF" "b"), u"a\xFFFD" "b");
    EXPECT_EQ(Utf8ToUtf16("\xE5\x88"), u"\xFFFD\xFFFD");
    EXPECT_EQ(Utf8ToUtf16("\xC0\xAF"), u"\xFFFD\xFFFD");  // overlong
    EXPECT_EQ(Utf16ToUtf8(std::u16string(1, (char16_t)0xD800)), "\xEF\xBF\xBD");
}

TEST(CatalogDiscovery, OnlyTheTextEightyEightNamesTheServer)
{
    uint8_t buf[kDiscoverySize] = {};
    std::memcpy(buf, "88", 2);
    EXPECT_TRUE(IsDiscoveryReply(buf, 2));
    EXPECT_TRUE(IsDiscoveryReply(buf, sizeof buf));
    std::memcpy(buf, "880", 3);
    EXPECT_FALSE(IsDiscoveryReply(buf, 3));
    EXPECT_FALSE(IsDiscoveryReply(buf, 1));
    const uint8_t other[] = {'8', '8', 0, 'x'};
    EXPECT_TRUE(IsDiscoveryReply(other, sizeof other));

    uint8_t request[kDiscoverySize] = {};
    EXPECT_TRUE(IsDiscoveryRequest(request, sizeof request));
    EXPECT_FALSE(IsDiscoveryRequest(request, sizeof request - 1));
    request[799] = 1;
    EXPECT_FALSE(IsDiscoveryRequest(request, sizeof request));
}

TEST(FitImageRect, ShrinksToFitAndCentresButNeverEnlarges)
{
    FittedRect r = FitImageRect(200, 200, 400, 300);
    EXPECT_EQ(r.width, 200);
    EXPECT_EQ(r.height, 150);
    EXPECT_EQ(r.x, 0);
    EXPECT_EQ(r.y, 25);
    r = FitImageRect(200, 200, 50, 20);
    EXPECT_EQ(r.width, 50);
    EXPECT_EQ(r.height, 20);
    EXPECT_EQ(r.x, 75);
    EXPECT_EQ(r.y, 90);
    // 1000/86 in single precision: 11.627907; 777/11.627907 = 66.82 -> 66.
    r = FitImageRect(86, 86, 1000, 777);
    EXPECT_EQ(r.width, 86);
    EXPECT_EQ(r.height, 66);
    EXPECT_EQ(r.y, 10);
    r = FitImageRect(0, 10, 5, 5);
    EXPECT_EQ(r.width, 0);
}
