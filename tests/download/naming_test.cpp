#include "download/freename.h"
#include "download/pendingpicture.h"
#include "scratchfolder.h"

#include <algorithm>
#include <filesystem>
#include <gtest/gtest.h>
#include <set>
#include <thread>
#include <vector>

namespace pv {
namespace {

namespace fs = std::filesystem;

TEST(FileName, TextAfterTheLastSlash) {
    struct Case {
        Text address, name;
    } cases[] = {
        {"http://h/a/pic/a.jpg", "a.jpg"},
        {"a.jpg", "a.jpg"},      // no slash: the whole text
        {"http://h/a/pic/", ""}, // ends in "/": empty
        {"", ""},
        {"http://h/pic/a.jpg?x=1/y", "y"},       // the query is not removed...
        {"http://h/pic/a.jpg?x=1", "a.jpg?x=1"}, // ...nor decoded
        {"http://h/pic/%E5%9B%BE.jpg", "%E5%9B%BE.jpg"},
        {"http://h/pic/\xCD\xBC.jpg", "\xCD\xBC.jpg"}, // GBK bytes kept
        {"http://h/pic/\x81/b", "\x81/b"},             // a "/" behind a lead byte is no separator
    };
    for (const auto& c : cases)
        EXPECT_EQ(fileNameOf(c.address), c.name) << c.address;
}

TEST(CandidateName, CounterAtTheFirstDotOrAtTheEnd) {
    struct Case {
        Text fileName;
        std::int64_t k;
        Text candidate;
    } cases[] = {
        {"a.jpg", 0, "a.jpg"},
        {"a.jpg", 1, "a(1).jpg"},
        {"a.jpg", 2, "a(2).jpg"}, // made from the name, not from a(1).jpg
        {"a.jpg", 10, "a(10).jpg"},
        {"x.y.jpg", 1, "x(1).y.jpg"},
        {"photo", 1, "photo(1)"},
        {".hidden", 1, "(1).hidden"},
        {"a.", 3, "a(3)."},
        {"\xCD\xBC.jpg", 1, "\xCD\xBC(1).jpg"},
        // 0xA3 0x2E is one double-byte character: its second byte is not a dot.
        {"\xA3.b.jpg", 1, "\xA3.b(1).jpg"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(candidateName(c.fileName, c.k), c.candidate) << c.fileName << " " << c.k;
}

TEST(CompletedFolder, SeparatorAppendedOnce) {
    EXPECT_EQ(completedFolder("/tmp/pictures"), "/tmp/pictures/");
    EXPECT_EQ(completedFolder("/tmp/pictures/"), "/tmp/pictures/");
    EXPECT_EQ(completedFolder("/"), "/");
}

// What is in the folder before, the file name, and the name reserved (empty: refused).
struct ReserveCase {
    const char* what;
    std::vector<std::string> files;
    std::vector<std::string> directories;
    std::vector<std::string> links; // dangling symbolic links
    Text fileName;
    std::string reserved;
};

TEST(ReserveFreeName, FirstFreeCandidateOrRefused) {
    const ReserveCase cases[] = {
        {"empty folder", {}, {}, {}, "a.jpg", "a.jpg"},
        {"two taken", {"a.jpg", "a(1).jpg"}, {}, {}, "a.jpg", "a(2).jpg"},
        {"a gap is filled", {"a.jpg", "a(2).jpg"}, {}, {}, "a.jpg", "a(1).jpg"},
        {"two dots", {"x.y.jpg"}, {}, {}, "x.y.jpg", "x(1).y.jpg"},
        {"no dot", {"photo"}, {}, {}, "photo", "photo(1)"},
        {"a directory in the way", {}, {"a.jpg"}, {}, "a.jpg", "a(1).jpg"},
        {"a dangling link in the way", {}, {}, {"a.jpg"}, "a.jpg", "a(1).jpg"},
        {"GBK name saved as UTF-8", {}, {}, {}, "\xCD\xBC.jpg", "图.jpg"},
        {"GBK name taken in UTF-8", {"图.jpg"}, {}, {}, "\xCD\xBC.jpg", "图(1).jpg"},
        {"empty name", {}, {}, {}, "", ""},
        {"dot", {}, {}, {}, ".", ""},
        {"dot dot", {}, {}, {}, "..", ""},
        {"longer than a file name may be", {}, {}, {}, Text(256, 'a'), ""},
        {"as long as a file name may be", {}, {}, {}, Text(255, 'a'), std::string(255, 'a')},
        {"counter makes it too long", {std::string(255, 'a')}, {}, {}, Text(255, 'a'), ""},
        {"slash hidden behind a lead byte", {}, {}, {}, "\x81/b", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        test::ScratchFolder folder;
        for (const auto& f : c.files)
            folder.addFile(f, "old " + f);
        for (const auto& d : c.directories)
            fs::create_directory(folder.path() / d);
        for (const auto& l : c.links)
            fs::create_symlink(folder.path() / "nowhere", folder.path() / l);
        const auto before = folder.entries();

        const std::string path = reserveFreeName(folder.text() + "/", c.fileName);

        auto after = folder.entries();
        if (c.reserved.empty()) {
            EXPECT_EQ(path, "");
            EXPECT_EQ(after, before);
        } else {
            EXPECT_EQ(path, folder.text() + "/" + c.reserved);
            ASSERT_EQ(after.count(c.reserved), 1u);
            EXPECT_EQ(after[c.reserved], ""); // an empty placeholder
            after.erase(c.reserved);
            EXPECT_EQ(after, before); // nothing else touched
        }
    }
}

TEST(ReserveFreeName, FolderThatCannotTakeAFile) {
    test::ScratchFolder folder;
    EXPECT_EQ(reserveFreeName(folder.text() + "/missing/", "a.jpg"), "");
}

TEST(ReserveFreeName, ThreadsNeverShareAName) {
    test::ScratchFolder folder;
    constexpr int threads = 10;
    constexpr int each = 20;
    std::vector<std::vector<std::string>> got(threads);
    std::vector<std::thread> crew;
    for (int t = 0; t < threads; ++t)
        crew.emplace_back([&, t] {
            for (int i = 0; i < each; ++i)
                got[static_cast<std::size_t>(t)].push_back(
                    reserveFreeName(folder.text() + "/", "a.jpg"));
        });
    for (auto& th : crew)
        th.join();
    std::set<std::string> names;
    for (const auto& list : got)
        for (const auto& p : list) {
            EXPECT_FALSE(p.empty());
            names.insert(p);
        }
    EXPECT_EQ(names.size(), static_cast<std::size_t>(threads * each));
    EXPECT_EQ(folder.entries().size(), static_cast<std::size_t>(threads * each));
    EXPECT_EQ(names.count(folder.text() + "/a(199).jpg"), 1u);
}

class PendingPictureTest : public ::testing::Test {
protected:
    void SetUp() override { acceptPendingPictures(); }
    void TearDown() override { acceptPendingPictures(); }
    std::string dir() const { return folder.text() + "/"; }
    test::ScratchFolder folder;
};

TEST_F(PendingPictureTest, CommitRenamesTheWholeBodyOntoTheName) {
    PendingPicture picture;
    ASSERT_TRUE(picture.open(dir(), "a.jpg"));
    EXPECT_EQ(pendingPictureCount(), 1u);
    EXPECT_EQ(folder.entries().size(), 2u); // the placeholder and the temporary file
    ASSERT_TRUE(picture.write("abc", 3));
    ASSERT_TRUE(picture.write("def", 3));
    EXPECT_EQ(folder.entries().at("a.jpg"), ""); // nothing under the name until it is whole
    ASSERT_TRUE(picture.commit());
    EXPECT_EQ(folder.entries(), (std::map<std::string, std::string>{{"a.jpg", "abcdef"}}));
    EXPECT_EQ(pendingPictureCount(), 0u);
}

TEST_F(PendingPictureTest, AnythingButCommitLeavesNoFile) {
    {
        PendingPicture dropped;
        ASSERT_TRUE(dropped.open(dir(), "a.jpg"));
        ASSERT_TRUE(dropped.write("abc", 3));
    }
    PendingPicture discarded;
    ASSERT_TRUE(discarded.open(dir(), "a.jpg"));
    discarded.discard();
    EXPECT_FALSE(discarded.commit());
    EXPECT_TRUE(folder.entries().empty());
    EXPECT_EQ(pendingPictureCount(), 0u);
}

TEST_F(PendingPictureTest, TheNameStaysReservedUntilTheEnd) {
    PendingPicture first, second;
    ASSERT_TRUE(first.open(dir(), "a.jpg"));
    ASSERT_TRUE(second.open(dir(), "a.jpg"));
    EXPECT_EQ(second.path(), dir() + "a(1).jpg");
    first.write("1", 1);
    second.write("2", 1);
    EXPECT_TRUE(second.commit());
    EXPECT_TRUE(first.commit());
    EXPECT_EQ(folder.entries(),
              (std::map<std::string, std::string>{{"a.jpg", "1"}, {"a(1).jpg", "2"}}));
}

TEST_F(PendingPictureTest, EndOfProgramRemovesEverythingInFlight) {
    PendingPicture a, b;
    ASSERT_TRUE(a.open(dir(), "a.jpg"));
    ASSERT_TRUE(b.open(dir(), "b.jpg"));
    a.write("x", 1);
    removePendingPictures();
    EXPECT_TRUE(folder.entries().empty());
    // The workers go on for a moment: nothing they do may bring a file back.
    EXPECT_FALSE(a.commit());
    PendingPicture late;
    EXPECT_FALSE(late.open(dir(), "c.jpg"));
    b.discard();
    EXPECT_TRUE(folder.entries().empty());
}

} // namespace
} // namespace pv
