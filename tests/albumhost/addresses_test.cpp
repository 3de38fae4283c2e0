// Which addresses the host answers: names in GBK or UTF-8, raw or percent-encoded; unknown
// members and albums; a folder tree served safely, nothing outside it.
#include "listingreader.h"
#include "rawclient.h"

#include "albumhost/albumhost.h"
#include "core/text.h"

#include <QBuffer>
#include <QDir>
#include <QImage>
#include <QTemporaryDir>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

namespace albumhost::test {
namespace {

namespace fs = std::filesystem;

// What the client does with a path: bytes of 0x80 and above and spaces percent-encoded.
std::string encoded(const std::string& bytes, bool everything = false) {
    static const char* hex = "0123456789ABCDEF";
    std::string out;
    for (char ch : bytes) {
        auto c = static_cast<unsigned char>(ch);
        if (c >= 0x80 || c == ' ' || (everything && c != '/')) {
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 15];
        } else {
            out += ch;
        }
    }
    return out;
}

class DemoAddresses : public ::testing::Test {
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
AlbumHost* DemoAddresses::host = nullptr;

TEST_F(DemoAddresses, AnAlbumAnswersUnderItsPurlAndUnderItsNameInEveryEncoding) {
    const std::string expected = sectionOf(pageText(rawGet(host->port(), "/demo/album/1").body));
    ASSERT_NE(expected.find("psrc"), std::string::npos);
    const std::string utf8 = "旅行风景";
    const std::string inGbk = gbk("旅行风景");
    const std::string targets[] = {
        "/demo/album/1/",
        "/demo/album/1?from=test",
        "/demo/" + inGbk,
        "/demo/" + encoded(inGbk),
        "/demo/" + utf8,
        "/demo/" + encoded(utf8),
        "/demo/" + encoded(inGbk) + "/index/0",
        "/%64emo/album/1",
    };
    for (const std::string& target : targets) {
        RawReply reply = rawGet(host->port(), target);
        EXPECT_EQ(reply.status, 200) << target;
        EXPECT_EQ(sectionOf(pageText(reply.body)), expected) << target;
    }
}

TEST_F(DemoAddresses, APictureWithGbkAndSpaceInItsNameAnswersRawOrEncoded) {
    const AlbumInfo album = host->albums("demo")[2];
    const PictureInfo* wanted = nullptr;
    for (const PictureInfo& p : album.pictures) {
        if (p.fileName == gbk("猫 和 狗.jpg"))
            wanted = &p;
    }
    ASSERT_NE(wanted, nullptr);
    const std::string bytes = host->contentAt(wanted->picturePath);
    ASSERT_FALSE(bytes.empty());
    const std::string base = wanted->picturePath.substr(0, wanted->picturePath.rfind('/') + 1);
    for (const std::string& target :
         {encoded(wanted->picturePath), base + encoded(pv::gbkToUtf8(wanted->fileName)),
          base + encoded(pv::gbkToUtf8(wanted->fileName), true)}) {
        RawReply reply = rawGet(host->port(), target);
        EXPECT_EQ(reply.status, 200) << target;
        EXPECT_EQ(reply.body, bytes) << target;
    }
}

TEST_F(DemoAddresses, UnknownThingsAnswerA404PageWithNothingToFind) {
    const char* targets[] = {
        "/",
        "/demo",
        "/nobody/album",
        "/demo/album/0",
        "/demo/album/99",
        "/demo/no-such-album",
        "/demo/album/index/x",
        "/demo/album/index/-1",
        "/demo/album/1/index/",
        "/demo/album/1/abpic/none.jpg",
        "/demo/album/1/other/0001.jpg",
        "/demo/album/1/index/0/more",
    };
    for (const char* target : targets) {
        RawReply reply = rawGet(host->port(), target);
        EXPECT_EQ(reply.status, 404) << target;
        EXPECT_EQ(reply.header("Content-Type"), "text/html; charset=GBK") << target;
        EXPECT_NE(reply.body.find(gbk("页面不存在")), std::string::npos) << target;
        EXPECT_TRUE(fields(parsers().section, reply.body).empty()) << target;
    }
}

std::string imageBytes(const char* format, QColor colour, int w = 320, int h = 200) {
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(colour);
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return data.toStdString();
}

void writeFile(const fs::path& file, const std::string& bytes) {
    std::ofstream(file, std::ios::binary) << bytes;
}

// ROOT/张三/旅行/ with pictures of each kind, other files, and links out of ROOT.
class FolderTree : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(temp.isValid());
        base = fs::path(temp.path().toStdString());
        root = base / "root";
        albumDir = root / "张三" / "旅行";
        fs::create_directories(albumDir);
        fs::create_directories(root / "张三" / ".hidden");
        fs::create_directories(base / "outside");
        secret = "SECRET-OUTSIDE-ROOT";
        writeFile(base / "outside" / "secret.jpg", secret);
        writeFile(base / "secret.jpg", secret);
        files = {{"img2.jpg", imageBytes("JPG", Qt::red)},
                 {"img10.png", imageBytes("PNG", Qt::green)},
                 {"b c.bmp", imageBytes("BMP", Qt::blue, 40, 30)},
                 {"d.gif", std::string("GIF89a\x01\x00\x01\x00\x80\x00\x00\xff\xff\xff\x00\x00"
                                       "\x00!\xf9\x04\x01\x00\x00\x00\x00,\x00\x00\x00\x00\x01"
                                       "\x00\x01\x00\x00\x02\x02D\x01\x00;",
                                       43)}};
        for (const auto& [name, bytes] : files)
            writeFile(albumDir / name, bytes);
        writeFile(albumDir / "notes.txt", "not a picture");
        writeFile(albumDir / ".hidden.jpg", imageBytes("JPG", Qt::black));
        fs::create_symlink(base / "outside" / "secret.jpg", albumDir / "link.jpg");
        fs::create_symlink(base / "outside", root / "张三" / "linked");
        fs::create_symlink(albumDir / "img2.jpg", albumDir / "inner.jpg");

        HostOptions options;
        options.port = 0;
        options.root = root.string();
        host = std::make_unique<AlbumHost>(options);
        ASSERT_TRUE(host->start()) << host->error();
    }

    QTemporaryDir temp;
    fs::path base, root, albumDir;
    std::string secret;
    std::vector<std::pair<std::string, std::string>> files;
    std::unique_ptr<AlbumHost> host;
};

TEST_F(FolderTree, MembersAlbumsAndPicturesComeFromTheFoldersInNaturalOrder) {
    const auto albums = host->albums("张三");
    ASSERT_EQ(albums.size(), 1u) << "the linked folder out of root is no album";
    EXPECT_EQ(albums[0].name, gbk("旅行"));
    std::vector<std::string> names;
    for (const PictureInfo& p : albums[0].pictures)
        names.push_back(pv::gbkToUtf8(p.fileName));
    EXPECT_EQ(names,
              (std::vector<std::string>{"b c.bmp", "d.gif", "img2.jpg", "img10.png", "inner.jpg"}));
    EXPECT_EQ(albums[0].declaredCount, "5");
    EXPECT_EQ(albums[0].pictures[0].size, "40x30");
    EXPECT_TRUE(host->albums("demo").empty()) << "no demo member beside a root";

    const std::string index = pageText(rawGet(host->port(), encoded(gbk("/张三/album"))).body);
    EXPECT_EQ(fields(parsers().pname, sectionOf(index)), std::vector<std::string>{gbk("旅行")});
    EXPECT_EQ(rawGet(host->port(), encoded("/张三/album")).status, 200) << "UTF-8 name";
}

TEST_F(FolderTree, PicturesAreTheFilesBytesWithTheirTypeAndThumbnailsFit) {
    const auto album = host->albums("张三")[0];
    for (const PictureInfo& p : album.pictures) {
        const std::string name = pv::gbkToUtf8(p.fileName);
        std::string expected;
        for (const auto& [file, bytes] : files) {
            if (file == name)
                expected = bytes;
        }
        if (name == "inner.jpg")
            expected = files[0].second;
        RawReply full = rawGet(host->port(), encoded(p.picturePath));
        ASSERT_EQ(full.status, 200) << name;
        EXPECT_EQ(full.body, expected) << name;
        const std::string type = full.header("Content-Type");
        EXPECT_EQ(type, name.ends_with(".png")   ? "image/png"
                        : name.ends_with(".bmp") ? "image/bmp"
                        : name.ends_with(".gif") ? "image/gif"
                                                 : "image/jpeg");
        RawReply thumb = rawGet(host->port(), encoded(p.thumbnailPath));
        ASSERT_EQ(thumb.status, 200) << name;
        QImage image;
        ASSERT_TRUE(image.loadFromData(reinterpret_cast<const uchar*>(thumb.body.data()),
                                       static_cast<int>(thumb.body.size())))
            << name;
        EXPECT_LE(image.width(), 150);
        EXPECT_LE(image.height(), 143);
    }
}

TEST_F(FolderTree, NothingOutsideRootIsEverServed) {
    const std::string albumPath = encoded(gbk("/张三/album/1"));
    const std::string targets[] = {
        albumPath + "/pic/../../../../secret.jpg",
        albumPath + "/pic/%2e%2e/%2e%2e/%2e%2e/%2e%2e/secret.jpg",
        albumPath + "/pic/%2E%2E%2F%2E%2E%2F%2E%2E%2F%2E%2E%2Fsecret.jpg",
        albumPath + "/pic/..%2f..%2f..%2f..%2fsecret.jpg",
        albumPath + "/pic/..\\..\\..\\..\\secret.jpg",
        albumPath + "/pic/" + encoded(base.string() + "/secret.jpg", true),
        albumPath + "/pic//etc/passwd",
        albumPath + "/pic/%2Fetc%2Fpasswd",
        albumPath + "/pic/link.jpg",
        albumPath + "/pic/notes.txt",
        albumPath + "/pic/.hidden.jpg",
        encoded(gbk("/张三/linked/pic/secret.jpg")),
        encoded(gbk("/张三/album/2/pic/secret.jpg")),
        "/../../../../etc/passwd",
        "//etc/passwd",
        "/%2e%2e/album",
    };
    for (const std::string& target : targets) {
        RawReply reply = rawGet(host->port(), target);
        EXPECT_EQ(reply.status, 404) << target;
        EXPECT_EQ(reply.body.find(secret), std::string::npos) << target;
        EXPECT_EQ(reply.body.find("root:"), std::string::npos) << target;
    }
}

TEST_F(FolderTree, AFileSwappedForALinkOutOfRootAfterTheScanIsRefused) {
    const auto album = host->albums("张三")[0];
    const PictureInfo& png = album.pictures[3];
    ASSERT_EQ(pv::gbkToUtf8(png.fileName), "img10.png");
    fs::remove(albumDir / "img10.png");
    fs::create_symlink(base / "outside" / "secret.jpg", albumDir / "img10.png");
    RawReply reply = rawGet(host->port(), encoded(png.picturePath));
    EXPECT_EQ(reply.status, 404);
    EXPECT_EQ(reply.body.find(secret), std::string::npos);
}

TEST(FolderTreeStart, AMissingRootFailsToStartWithAReason) {
    HostOptions options;
    options.port = 0;
    options.root = "/nonexistent/picvora-root";
    AlbumHost host(options);
    EXPECT_FALSE(host.start());
    EXPECT_NE(host.error().find("/nonexistent/picvora-root"), std::string::npos);
}

} // namespace
} // namespace albumhost::test
