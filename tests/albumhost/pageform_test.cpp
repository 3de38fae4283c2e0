// The host's pages read with Picvora's own parsers: marker, page count, sections, fields.
#include "listingreader.h"
#include "rawclient.h"

#include "albumhost/albumhost.h"
#include "core/text.h"

#include <QImage>
#include <algorithm>
#include <gtest/gtest.h>
#include <map>

namespace albumhost::test {
namespace {

class DemoHost : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        HostOptions options;
        options.port = 0;
        host = new AlbumHost(options);
        ASSERT_TRUE(host->start()) << host->error();
    }
    static void TearDownTestSuite() {
        delete host;
        host = nullptr;
    }
    static AlbumHost* host;
};
AlbumHost* DemoHost::host = nullptr;

QImage decoded(const std::string& bytes) {
    QImage image;
    image.loadFromData(reinterpret_cast<const uchar*>(bytes.data()),
                       static_cast<int>(bytes.size()));
    return image;
}

TEST_F(DemoHost, IndexIsOnePageWithOneSectionAndEveryAlbumsFields) {
    RawReply reply = rawGet(host->port(), "/demo/album");
    ASSERT_EQ(reply.status, 200);
    EXPECT_EQ(reply.header("Content-Type"), "text/html; charset=GBK");
    const std::string page = pageText(reply.body);
    EXPECT_EQ(page, reply.body) << "no zero byte in a page";
    EXPECT_EQ(pv::findLastText(page, "\">" + gbk("[尾页]")), -1);
    EXPECT_EQ(pageCountOf(page), 1);
    ASSERT_EQ(fields(parsers().section, page).size(), 1u);

    const std::string section = sectionOf(page);
    const auto albums = host->albums("demo");
    const auto urls = fields(parsers().purl, section);
    const auto names = fields(parsers().pname, section);
    const auto counts = fields(parsers().pnum, section);
    ASSERT_EQ(urls.size(), albums.size());
    ASSERT_EQ(names.size(), albums.size());
    ASSERT_EQ(counts.size(), albums.size());
    for (std::size_t i = 0; i < albums.size(); ++i) {
        EXPECT_EQ(urls[i], albums[i].path);
        EXPECT_EQ(names[i], albums[i].name);
        EXPECT_EQ(counts[i], albums[i].declaredCount);
    }
    // Index 0 is the same page as the listing's own address.
    EXPECT_EQ(sectionOf(pageText(rawGet(host->port(), "/demo/album/index/0").body)), section);
}

TEST_F(DemoHost, DemoMemberHasTheAlbumsTheOtherTestsRelyOn) {
    const auto albums = host->albums("demo");
    ASSERT_GE(albums.size(), 5u);
    bool manyPages = false, empty = false, large = false, repeated = false, noDot = false,
         twoDots = false;
    for (const AlbumInfo& a : albums) {
        EXPECT_FALSE(a.name.empty());
        manyPages = manyPages || a.pictures.size() > 24;
        empty = empty || (a.pictures.empty() && a.declaredCount == "0");
        large = large || a.pictures.size() >= 600;
        std::map<std::string, int> seen;
        for (const PictureInfo& p : a.pictures) {
            const std::string last = p.thumbnailPath.substr(p.thumbnailPath.rfind('/') + 1);
            EXPECT_EQ(last, p.fileName);
            repeated = repeated || ++seen[last] > 1;
            noDot = noDot || last.find('.') == std::string::npos;
            twoDots = twoDots || std::count(last.begin(), last.end(), '.') == 2;
        }
    }
    EXPECT_TRUE(manyPages);
    EXPECT_TRUE(empty);
    EXPECT_TRUE(large);
    EXPECT_TRUE(repeated);
    EXPECT_TRUE(noDot);
    EXPECT_TRUE(twoDots);
    EXPECT_EQ(albums[0].name, gbk("旅行风景"));
}

TEST_F(DemoHost, PicturesWithOneFileNameAreDifferentPicturesAtDifferentAddresses) {
    for (const AlbumInfo& a : host->albums("demo")) {
        std::map<std::string, std::vector<const PictureInfo*>> byName;
        for (const PictureInfo& p : a.pictures)
            byName[p.fileName].push_back(&p);
        for (const auto& [name, pictures] : byName) {
            if (pictures.size() < 2)
                continue;
            const std::string first = host->contentAt(pictures[0]->picturePath);
            const std::string second = host->contentAt(pictures[1]->picturePath);
            EXPECT_NE(pictures[0]->picturePath, pictures[1]->picturePath);
            EXPECT_FALSE(first.empty());
            EXPECT_NE(first, second);
        }
    }
}

TEST_F(DemoHost, EntityInANameStaysAsWritten) {
    const auto albums = host->albums("demo");
    const std::string section = sectionOf(pageText(rawGet(host->port(), albums[2].path).body));
    const auto names = fields(parsers().pname, section);
    EXPECT_NE(std::find(names.begin(), names.end(), gbk("猫&amp;狗")), names.end());
}

// A listing of one page and of many, read page by page as the client reads it.
struct ListingCase {
    const char* label;
    int albumsPerPage;
    int picturesPerPage;
    std::vector<int> albumSizes; // pictures in each album of member "t"
    int album;                   // 0: the album index; k: album k
    int pages;
};

class ListingForm : public ::testing::TestWithParam<ListingCase> {};

TEST_P(ListingForm, ParsersFindPageCountAndEveryRecordInOrder) {
    const ListingCase& c = GetParam();
    HostOptions options;
    options.port = 0;
    options.demo = false;
    options.albumsPerPage = c.albumsPerPage;
    options.picturesPerPage = c.picturesPerPage;
    AlbumHost host(options);
    for (std::size_t i = 0; i < c.albumSizes.size(); ++i)
        host.addAlbum("t", {"相册" + std::to_string(i + 1), numberedPictures(c.albumSizes[i])});
    ASSERT_TRUE(host.start());
    const auto albums = host.albums("t");
    const std::string address = c.album == 0 ? AlbumHost::indexPath("t")
                                             : albums[static_cast<std::size_t>(c.album - 1)].path;

    ListingRead read = readListing(host.port(), address);
    ASSERT_EQ(read.pages, c.pages);
    for (const std::string& page : read.pageTexts) {
        EXPECT_EQ(fields(parsers().section, page).size(), 1u) << "one forimgs section a page";
        // Every page of a listing of many pages names the same last page.
        EXPECT_EQ(pageCountOf(page), c.pages);
    }
    if (c.album == 0) {
        const auto urls = fields(parsers().purl, read.joined);
        const auto names = fields(parsers().pname, read.joined);
        const auto counts = fields(parsers().pnum, read.joined);
        ASSERT_EQ(urls.size(), albums.size());
        ASSERT_EQ(names.size(), albums.size());
        ASSERT_EQ(counts.size(), albums.size());
        for (std::size_t i = 0; i < albums.size(); ++i) {
            EXPECT_EQ(urls[i], albums[i].path);
            EXPECT_EQ(names[i], gbk(("相册" + std::to_string(i + 1)).c_str()));
            EXPECT_EQ(pv::integerValue(counts[i]), c.albumSizes[i]);
        }
        return;
    }
    const auto& pictures = albums[static_cast<std::size_t>(c.album - 1)].pictures;
    const auto sources = fields(parsers().psrc, read.joined);
    const auto sizes = fields(parsers().psize, read.joined);
    const auto names = fields(parsers().pname, read.joined);
    ASSERT_EQ(sources.size(), pictures.size());
    ASSERT_EQ(sizes.size(), pictures.size());
    ASSERT_EQ(names.size(), pictures.size());
    for (std::size_t i = 0; i < pictures.size(); ++i) {
        EXPECT_EQ(sources[i], host.url(pictures[i].thumbnailPath));
        EXPECT_EQ(sizes[i], "400x300");
        EXPECT_EQ(names[i], pictures[i].name);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Pages, ListingForm,
    ::testing::Values(ListingCase{"indexOfOnePage", 20, 24, {1, 2, 3}, 0, 1},
                      ListingCase{"indexOfTwoPagesThreeAlbums", 2, 24, {1, 2, 3}, 0, 2},
                      ListingCase{"indexFullPagesExactly", 2, 24, {1, 1, 1, 1}, 0, 2},
                      ListingCase{"emptyAlbum", 20, 24, {0}, 1, 1},
                      ListingCase{"albumOfOneFullPage", 20, 24, {24}, 1, 1},
                      ListingCase{"albumOneOverAPage", 20, 24, {25}, 1, 2},
                      ListingCase{"albumOfFivePages", 20, 3, {2, 15}, 2, 5}),
    [](const auto& param) { return std::string(param.param.label); });

TEST_F(DemoHost, LargeAlbumSpansManyPagesAndPsrcLeadsToThumbnailAndPicture) {
    const AlbumInfo large = host->albums("demo")[3];
    ASSERT_EQ(large.pictures.size(), 600u);
    ListingRead read = readListing(host->port(), large.path);
    EXPECT_EQ(read.pages, 25);
    const auto sources = fields(parsers().psrc, read.joined);
    const auto sizes = fields(parsers().psize, read.joined);
    ASSERT_EQ(sources.size(), 600u);
    const std::string prefix = "http://" + host->hostAndPort() + "/";
    for (std::size_t i : {std::size_t(0), std::size_t(299), std::size_t(599)}) {
        const std::string& src = sources[i];
        ASSERT_EQ(src.rfind(prefix, 0), 0u) << src;
        const std::string path = src.substr(prefix.size() - 1);
        RawReply thumb = rawGet(host->port(), path);
        RawReply full = rawGet(host->port(), pv::replaceAllIgnoreCase(path, "/abpic/", "/pic/"));
        ASSERT_EQ(thumb.status, 200);
        ASSERT_EQ(full.status, 200);
        EXPECT_EQ(thumb.header("Content-Type"), "image/jpeg");
        EXPECT_EQ(full.body, host->contentAt(large.pictures[i].picturePath));
        QImage t = decoded(thumb.body);
        QImage f = decoded(full.body);
        ASSERT_FALSE(t.isNull());
        ASSERT_FALSE(f.isNull());
        EXPECT_EQ(std::to_string(f.width()) + "x" + std::to_string(f.height()), sizes[i]);
        EXPECT_LE(t.width(), 150);
        EXPECT_LE(t.height(), 143);
        EXPECT_TRUE(t.width() == 150 || t.height() == 143) << "scaled to fit, not smaller";
    }
}

TEST(PageForm, ThumbnailOfASmallPictureIsNotEnlargedAndBoxZeroServesThePicture) {
    HostOptions options;
    options.port = 0;
    options.demo = false;
    AlbumHost host(options);
    host.addAlbum("t", {"小", {{"s.jpg", "", 1, 100, 80}, {"big.jpg", "", 2, 600, 200}}});
    auto pictures = host.albums("t")[0].pictures;
    QImage small = decoded(host.contentAt(pictures[0].thumbnailPath));
    EXPECT_EQ(small.size(), QSize(100, 80));
    QImage wide = decoded(host.contentAt(pictures[1].thumbnailPath));
    EXPECT_EQ(wide.size(), QSize(150, 50));

    options.thumbnailWidth = 0;
    options.thumbnailHeight = 0;
    AlbumHost same(options);
    same.addAlbum("t", {"小", {{"big.jpg", "", 2, 600, 200}}});
    pictures = same.albums("t")[0].pictures;
    EXPECT_EQ(same.contentAt(pictures[0].thumbnailPath), same.contentAt(pictures[0].picturePath));
}

TEST(PageForm, NamesThatWouldBreakTheFormAreWrittenSafely) {
    HostOptions options;
    options.port = 0;
    options.demo = false;
    AlbumHost host(options);
    // Quotes end a value; "/div" ends the section; ">[尾页]" after a quote is the marker.
    host.addAlbum("t", {"引\"号/div", {{"divide.jpg", "a/DIV\"b"}, {"q\"uote.jpg", ">[尾页]x"}}});
    host.addAlbum("t", {">[尾页]", numberedPictures(1)});
    host.addAlbum("t", {"[尾页]", numberedPictures(1)});
    ASSERT_TRUE(host.start());

    const std::string index = pageText(rawGet(host.port(), "/t/album").body);
    EXPECT_EQ(pageCountOf(index), 1) << "no marker on a listing of one page";
    const std::string section = sectionOf(index);
    EXPECT_EQ(fields(parsers().purl, section).size(), 3u);
    EXPECT_EQ(fields(parsers().pname, section).size(), 3u);
    EXPECT_EQ(fields(parsers().pnum, section).size(), 3u);
    EXPECT_EQ(fields(parsers().pname, section)[0], host.albums("t")[0].name);

    const auto album = host.albums("t")[0];
    const std::string page = pageText(rawGet(host.port(), album.path).body);
    EXPECT_EQ(pageCountOf(page), 1);
    const std::string pictures = sectionOf(page);
    const auto sources = fields(parsers().psrc, pictures);
    ASSERT_EQ(sources.size(), 2u);
    EXPECT_EQ(fields(parsers().pname, pictures).size(), 2u);
    // The addresses still lead to the pictures.
    for (std::size_t i = 0; i < 2; ++i) {
        const std::string path = sources[i].substr(sources[i].find('/', 7));
        EXPECT_EQ(rawGet(host.port(), path).status, 200) << path;
        EXPECT_EQ(path, album.pictures[i].thumbnailPath);
    }
}

TEST_F(DemoHost, PsrcNamesTheHostTheRequestCameTo) {
    const std::string path = host->albums("demo")[1].path;
    RawReply reply =
        rawGet(host->port(), path, {"Host: localhost:" + std::to_string(host->port())});
    const auto sources = fields(parsers().psrc, sectionOf(pageText(reply.body)));
    ASSERT_FALSE(sources.empty());
    EXPECT_EQ(sources[0].rfind("http://localhost:" + std::to_string(host->port()) + "/", 0), 0u);
}

TEST_F(DemoHost, PageBeyondTheLastHasAnEmptySection) {
    RawReply reply = rawGet(host->port(), "/demo/album/2/index/7");
    EXPECT_EQ(reply.status, 200);
    const std::string page = pageText(reply.body);
    ASSERT_EQ(fields(parsers().section, page).size(), 1u);
    EXPECT_TRUE(fields(parsers().psrc, sectionOf(page)).empty());
}

} // namespace
} // namespace albumhost::test
