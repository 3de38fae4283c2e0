#include "albumhost/albumhost.h"
#include "core/crew.h"
#include "download/downloadworker.h"
#include "scratchfolder.h"
#include "support/testsupport.h"
#include "ui/downloadcommands.h"
#include "web/httpget.h"
#include "web/httptransfer.h"

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <vector>

namespace pv {
namespace {

namespace fs = std::filesystem;
using Entries = std::map<std::string, std::string>;

const char* const member = "tester";

class DownloadTest : public test::StateFixture {
protected:
    void SetUp() override {
        StateFixture::SetUp();
        albumhost::HostOptions options;
        options.port = 0;
        options.demo = false;
        host = std::make_unique<albumhost::AlbumHost>(options);
        ASSERT_TRUE(host->start()) << host->error();
        setDownloadTimeouts({});
    }
    void TearDown() override {
        host.reset();
        setDownloadTimeouts({});
        StateFixture::TearDown();
    }

    // Adds an album of pictures with these file names and makes it the listed one.
    std::vector<albumhost::PictureInfo> listAlbum(const std::vector<std::string>& fileNames) {
        albumhost::AlbumSpec wanted;
        wanted.name = "album" + std::to_string(++albums);
        for (const auto& f : fileNames)
            wanted.pictures.push_back({f, "", 0, 64, 48});
        const int k = host->addAlbum(member, wanted);
        auto pictures = host->albums(member).at(static_cast<std::size_t>(k - 1)).pictures;
        appState().pictureUrls.clear();
        for (const auto& p : pictures)
            appState().pictureUrls.push_back("http://" + host->hostAndPort() + p.picturePath);
        return pictures;
    }
    std::string served(const albumhost::PictureInfo& p) const {
        return test::digest(host->contentAt(p.picturePath));
    }
    // downloadAll into `folder`; the message it closed with, in UTF-8.
    std::string downloadAllInto(const std::string& chosen) {
        port.folderAnswer = chosen;
        port.messages.clear();
        downloadAll();
        return port.messages.empty() ? std::string("<none>") : gbkToUtf8(port.messages.back());
    }
    std::size_t pictureRequests() const {
        const auto all = host->requests();
        return static_cast<std::size_t>(std::count_if(all.begin(), all.end(), [](const auto& r) {
            return r.target.find("/pic/") != std::string::npos;
        }));
    }

    std::unique_ptr<albumhost::AlbumHost> host;
    test::ScratchFolder folder;
    int albums = 0;
};

struct NamingCase {
    const char* what;
    std::vector<std::string> files;       // in the folder before
    std::vector<std::string> directories; // in the folder before
    std::vector<std::string> pictures;    // file names of the album's pictures
    std::vector<std::string> saved;       // names the pictures end up under, in album order
};

TEST_F(DownloadTest, FreeNamesInTheFolder) {
    const NamingCase cases[] = {
        {"two names taken", {"a.jpg", "a(1).jpg"}, {}, {"a.jpg"}, {"a(2).jpg"}},
        {"two dots", {"x.y.jpg"}, {}, {"x.y.jpg"}, {"x(1).y.jpg"}},
        {"no dot", {"photo"}, {}, {"photo"}, {"photo(1)"}},
        {"a directory in the way", {}, {"a.jpg"}, {"a.jpg"}, {"a(1).jpg"}},
        {"GBK name saved as UTF-8", {}, {}, {"图片 1.jpg"}, {"图片 1.jpg"}},
        {"free name", {"b.jpg"}, {}, {"a.jpg"}, {"a.jpg"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        test::ScratchFolder into;
        for (const auto& f : c.files)
            into.addFile(f, "old " + f);
        for (const auto& d : c.directories)
            fs::create_directory(into.path() / d);
        Entries expected = into.entries();
        const auto pictures = listAlbum(c.pictures);
        for (std::size_t i = 0; i < pictures.size(); ++i)
            expected[c.saved[i]] = served(pictures[i]);

        EXPECT_EQ(downloadAllInto(into.text()),
                  "已成功下载" + std::to_string(pictures.size()) + "张图片。");
        EXPECT_EQ(into.entries(), expected);
    }
}

TEST_F(DownloadTest, TwoPicturesOfOneNameGiveTwoFiles) {
    const auto pictures = listAlbum({"a.jpg", "a.jpg"});
    ASSERT_NE(served(pictures[0]), served(pictures[1]));
    EXPECT_EQ(downloadAllInto(folder.text()), "已成功下载2张图片。");
    const Entries got = folder.entries();
    ASSERT_EQ(got.size(), 2u);
    ASSERT_EQ(got.count("a.jpg") + got.count("a(1).jpg"), 2u);
    // Which picture got which name is the crew's affair; each is saved whole once.
    std::vector<std::string> bytes{got.at("a.jpg"), got.at("a(1).jpg")};
    std::vector<std::string> want{served(pictures[0]), served(pictures[1])};
    std::sort(bytes.begin(), bytes.end());
    std::sort(want.begin(), want.end());
    EXPECT_EQ(bytes, want);
}

TEST_F(DownloadTest, ManyPicturesOfOneNameRaceForFreeNames) {
    const auto pictures = listAlbum(std::vector<std::string>(40, "a.jpg"));
    EXPECT_EQ(downloadAllInto(folder.text()), "已成功下载40张图片。");
    const Entries got = folder.entries();
    std::vector<std::string> bytes, want;
    for (const auto& [name, content] : got)
        bytes.push_back(content);
    for (const auto& p : pictures)
        want.push_back(served(p));
    std::sort(bytes.begin(), bytes.end());
    std::sort(want.begin(), want.end());
    EXPECT_EQ(bytes, want);
    EXPECT_EQ(got.count("a.jpg"), 1u);
    EXPECT_EQ(got.count("a(39).jpg"), 1u);
}

TEST_F(DownloadTest, SameAlbumTwiceGivesTheCounterNames) {
    const auto pictures = listAlbum({"a.jpg", "b.c.jpg", "d"});
    EXPECT_EQ(downloadAllInto(folder.text()), "已成功下载3张图片。");
    EXPECT_EQ(downloadAllInto(folder.text()), "已成功下载3张图片。");
    const Entries expected{
        {"a.jpg", served(pictures[0])},   {"a(1).jpg", served(pictures[0])},
        {"b.c.jpg", served(pictures[1])}, {"b(1).c.jpg", served(pictures[1])},
        {"d", served(pictures[2])},       {"d(1)", served(pictures[2])},
    };
    EXPECT_EQ(folder.entries(), expected);
}

TEST_F(DownloadTest, FolderEndingInASeparatorIsKept) {
    const auto pictures = listAlbum({"a.jpg"});
    EXPECT_EQ(downloadAllInto(folder.text() + "/"), "已成功下载1张图片。");
    EXPECT_EQ(appState().saveFolder, folder.text() + "/");
    EXPECT_EQ(folder.entries(), (Entries{{"a.jpg", served(pictures[0])}}));

    EXPECT_EQ(downloadAllInto(folder.text()), "已成功下载1张图片。");
    EXPECT_EQ(appState().saveFolder, folder.text() + "/"); // completed once
}

TEST_F(DownloadTest, FolderWithAChineseName) {
    const auto pictures = listAlbum({"a.jpg"});
    const fs::path chinese = folder.path() / "我的图片";
    fs::create_directory(chinese);
    // The picker answers in the program's text, GBK.
    EXPECT_EQ(downloadAllInto(utf8ToGbk(chinese.string())), "已成功下载1张图片。");
    EXPECT_EQ(folder.entries(), (Entries{{"我的图片", "<dir>"}}));
    ASSERT_TRUE(fs::exists(chinese / "a.jpg"));
    EXPECT_EQ(fs::file_size(chinese / "a.jpg"), host->contentAt(pictures[0].picturePath).size());
}

TEST_F(DownloadTest, FailedPicturesLeaveNoFileAndAreCounted) {
    setDownloadTimeouts({std::chrono::seconds(2), std::chrono::seconds(2)});
    const auto pictures = listAlbum({"ok.jpg", "missing.jpg", "cut.jpg", "hang.jpg"});
    host->addFault({pictures[1].picturePath, albumhost::Fault::notFound});
    host->addFault({pictures[2].picturePath, albumhost::Fault::cutOff});
    host->addFault({pictures[3].picturePath, albumhost::Fault::hang});
    // An address that ends in "/" has no file name at all.
    appState().pictureUrls.push_back(host->url("/tester/album/1/pic/"));

    EXPECT_EQ(downloadAllInto(folder.text()), "已成功下载1张图片。\n4张图片下载失败。");
    EXPECT_EQ(folder.entries(), (Entries{{"ok.jpg", served(pictures[0])}}));
}

TEST_F(DownloadTest, FolderThatTakesNoFiles) {
    listAlbum({"a.jpg", "b.jpg"});
    EXPECT_EQ(downloadAllInto(folder.text() + "/gone"), "已成功下载0张图片。\n2张图片下载失败。");
    EXPECT_EQ(pictureRequests(), 0u); // no name, no transfer
    EXPECT_TRUE(folder.entries().empty());
}

TEST_F(DownloadTest, PickerCancelled) {
    listAlbum({"a.jpg", "b.jpg"});
    EXPECT_EQ(downloadAllInto(""), "没有选择保存路径！");
    EXPECT_EQ(port.messages.size(), 1u);
    EXPECT_EQ(port.progressMaximum, 2);
    EXPECT_EQ(port.progressPosition, 0);
    EXPECT_EQ(pictureRequests(), 0u);
    EXPECT_FALSE(appState().commandActive);
}

TEST_F(DownloadTest, NothingToDownloadChangesNothing) {
    ApplicationState& s = appState();
    s.downloadQueue = {7};
    s.saveFolder = "/before";
    port.folderAnswer = folder.text();
    downloadAll();
    ASSERT_EQ(port.messages.size(), 1u);
    EXPECT_EQ(gbkToUtf8(port.messages[0]), "没有可以下载的图片");
    EXPECT_EQ(s.downloadQueue, std::vector<std::int32_t>{7});
    EXPECT_EQ(s.saveFolder, "/before");
}

TEST_F(DownloadTest, RequestsCarryTheUserAgentAndTheStoredCookie) {
    const auto pictures = listAlbum({"a.jpg"});
    host->setCookie("visit=42", true); // pictures without the cookie get 403
    // A listing page sets the cookie, as before any download.
    ASSERT_FALSE(httpGet(host->url(albumhost::AlbumHost::indexPath(member))).empty());
    host->clearRequests();

    EXPECT_EQ(downloadAllInto(folder.text()), "已成功下载1张图片。");
    const auto requests = host->requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].header("User-Agent"), userAgent);
    EXPECT_NE(requests[0].header("Cookie").find("visit=42"), std::string::npos);
}

// The worker on its own: a queue entry without a picture record is a failed item, never a
// read past the list, and every item advances the bar once.
TEST_F(DownloadTest, WorkerCountsEveryItemOnce) {
    const auto pictures = listAlbum({"a.jpg", "b.jpg"});
    ApplicationState& s = appState();
    s.downloadQueue = {2, 99, 0, 1};
    s.saveFolder = folder.text() + "/";
    prepareDownloadRun();
    ASSERT_TRUE(runCrew(downloadWorker));
    EXPECT_EQ(s.finishedWorkers.load(), crewSize);
    EXPECT_EQ(downloadTally().saved.load(), 2);
    EXPECT_EQ(downloadTally().failed.load(), 2);
    EXPECT_EQ(port.progressPosition, 4);
    EXPECT_EQ(folder.entries(),
              (Entries{{"a.jpg", served(pictures[0])}, {"b.jpg", served(pictures[1])}}));
}

} // namespace
} // namespace pv

namespace pv {
namespace {

// A disk that fills up: a file-size limit that the small pictures fit under and the large
// ones do not. Those that did not fit are counted failed and leave no file behind.
TEST_F(DownloadTest, PicturesThatDoNotFitFailAndLeaveNoFile) {
    albumhost::AlbumSpec wanted;
    wanted.name = "sizes";
    const std::vector<std::string> names = {"s1.jpg", "big1.jpg", "s2.jpg", "big2.jpg", "s3.jpg"};
    for (const auto& n : names) {
        const bool big = n.rfind("big", 0) == 0;
        wanted.pictures.push_back({n, "", 0, big ? 1600 : 64, big ? 1200 : 48});
    }
    const int k = host->addAlbum(member, wanted);
    const auto pictures = host->albums(member).at(static_cast<std::size_t>(k - 1)).pictures;
    appState().pictureUrls.clear();
    std::size_t smallest = SIZE_MAX, largestSmall = 0;
    for (const auto& p : pictures) {
        appState().pictureUrls.push_back(host->url(p.picturePath));
        const std::size_t size = host->contentAt(p.picturePath).size();
        if (gbkToUtf8(p.fileName).rfind("big", 0) == 0)
            smallest = std::min(smallest, size);
        else
            largestSmall = std::max(largestSmall, size);
    }
    ASSERT_LT(largestSmall * 2, smallest);

    struct rlimit before {};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &before), 0);
    struct rlimit limited = before;
    limited.rlim_cur = static_cast<rlim_t>((largestSmall + smallest) / 2);
    auto* oldHandler = std::signal(SIGXFSZ, SIG_IGN); // a write past the limit fails instead
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limited), 0);
    const std::string message = downloadAllInto(folder.text());
    setrlimit(RLIMIT_FSIZE, &before);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_EQ(message, "已成功下载3张图片。\n2张图片下载失败。");
    Entries expected;
    for (const auto& p : pictures)
        if (gbkToUtf8(p.fileName).rfind("s", 0) == 0)
            expected[gbkToUtf8(p.fileName)] = served(p);
    EXPECT_EQ(folder.entries(), expected); // no partial picture, no temporary file
}

} // namespace
} // namespace pv
