#include "catalogue/albumlisting.h"
#include "catalogue/listingfetch.h"
#include "catalogue/photolisting.h"
#include "core/crew.h"
#include "core/servicehost.h"
#include "support/testsupport.h"

#include <gtest/gtest.h>

namespace pv {
namespace {

const Text marker = "\">" + utf8ToGbk("[尾页]");

TEST(PageCount, FromTheLastPageMarker) {
    struct Case {
        const char* what;
        Text page;
        std::int32_t pages;
    } cases[] = {
        {"no marker", "<div id=\"forimgs\"></div>", 1},
        {"empty page", "", 1},
        {"last index 4", "<a href=\"/demo/album/index/4" + marker, 5},
        {"the last marker counts", "/index/2" + marker + " /index/7" + marker, 8},
        {"no digits", "<a href=\"/demo/album/index/" + marker, 1},
        {"no slash before the marker", "<a href=\"" + marker, 1},
        {"index -1: no pages", "/index/-1" + marker, 0},
        {"index below -1: no pages", "/index/-5" + marker, 0},
        {"huge index capped", "/index/99999999999" + marker, maxListingPages},
        {"index at the cap", "/index/99999" + marker, maxListingPages},
        {"full-width digits", "/index/\xA3\xB3" + marker, 4},
        {"marker in UTF-8 is not the marker", "/index/4\">[尾页]", 1},
        // The "/" must come before the marker, not from a later part of the page.
        {"slash after the marker ignored", "/index/3" + marker + "</a>", 4},
    };
    for (const auto& c : cases)
        EXPECT_EQ(pageCountOf(c.page), c.pages) << c.what;
}

TEST(PageCount, MarkerNeverStartsInsideADoubleByteCharacter) {
    // 0xB2 0x22 is not valid GBK, but a lead byte swallowing the quote must hide the
    // marker that would otherwise begin at its second byte.
    const Text hidden = "/index/4\xB2" + marker;
    EXPECT_EQ(pageCountOf(hidden), 1);
}

TEST(PageText, StopsAtTheFirstZeroByte) {
    EXPECT_EQ(pageText(Bytes("ab\0cd", 5)), "ab");
    EXPECT_EQ(pageText("abc"), "abc");
}

TEST(FullSizeAddress, ReplacesEveryAbpic) {
    struct Case {
        Text thumbnail, full;
    } cases[] = {
        {"x/abpic/y.jpg", "x/pic/y.jpg"},
        {"http://h/abpic/a/abpic/b.jpg", "http://h/pic/a/pic/b.jpg"},
        {"http://h/ABPIC/b.jpg", "http://h/pic/b.jpg"},
        {"http://h/b.jpg", "http://h/b.jpg"},
        {"", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(fullSizeAddress(c.thumbnail), c.full) << c.thumbnail;
}

using Records = test::StateFixture;

TEST_F(Records, AlbumsPairedByPositionKeepOnlyComplete) {
    setAlbumHost("127.0.0.1:9");
    appState().listingText = R"(purl:"/m/a",pname:"A",pnum:"12" purl:"/m/b",pname:"B",pnum:"x" )"
                             R"(purl:"/m/c",pname:"C")";
    const AlbumFields fields = searchAlbumFields();
    ASSERT_EQ(fields.albums(), 2u);
    for (std::size_t i = 0; i < fields.albums(); ++i)
        addAlbumRecord(fields, i);
    ApplicationState& s = appState();
    EXPECT_EQ(s.albumUrls, (TextList{"http://127.0.0.1:9/m/a", "http://127.0.0.1:9/m/b"}));
    EXPECT_EQ(albumItemText(1), "A(12)");
    EXPECT_EQ(albumItemText(2), "B(x)");
    setAlbumHost(PICVORA_ALBUM_HOST_DEFAULT);
}

TEST_F(Records, PictureRecordsInTextOrderWhateverTheWorkers) {
    ApplicationState& s = appState();
    Text text;
    for (int i = 1; i <= 500; ++i)
        text += "psrc:\"http://h/abpic/" + std::to_string(i) + ".jpg\",psize:\"" +
                std::to_string(i) + "\",pname:\"n&amp;" + std::to_string(i) + "\" ";
    // A trailing record without psize and pname still needs its psrc only.
    text += "psrc:\"http://h/abpic/last.jpg\"";
    s.listingText = text;
    searchPictureFields();
    ASSERT_TRUE(runCrew(pictureRecordWorker));
    ASSERT_EQ(s.pictureUrls.size(), 501u);
    for (int i = 1; i <= 500; ++i) {
        const auto n = static_cast<std::size_t>(i - 1);
        ASSERT_EQ(s.thumbnailUrls[n], "http://h/abpic/" + std::to_string(i) + ".jpg");
        ASSERT_EQ(s.pictureUrls[n], "http://h/pic/" + std::to_string(i) + ".jpg");
        ASSERT_EQ(s.pictureSizes[n], std::to_string(i));
        ASSERT_EQ(s.pictureNames[n], "n&amp;" + std::to_string(i)); // entities stay as written
    }
    EXPECT_EQ(s.pictureUrls[500], "http://h/pic/last.jpg");
    EXPECT_EQ(s.pictureSizes[500], "");
    EXPECT_EQ(s.pictureNames[500], "");
    EXPECT_EQ(port.progressPosition, 501); // one step per record, each counted once
}

} // namespace
} // namespace pv
