// The albumhost program: its options, its faults file, and a run of the real program.
#include "rawclient.h"

#include "albumhost/commandline.h"

#include <QTemporaryDir>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <regex>
#include <set>
#include <sys/wait.h>
#include <unistd.h>

namespace albumhost::test {
namespace {

CommandLine parse(std::vector<std::string> args) {
    return parseCommandLine(args);
}

TEST(CommandLine, DefaultsAreTheDefaultAlbumHost) {
    CommandLine cl = parse({});
    EXPECT_TRUE(cl.error.empty());
    EXPECT_EQ(cl.options.bindAddress, "127.0.0.1");
    EXPECT_EQ(cl.options.port, 8642);
    EXPECT_TRUE(cl.options.root.empty());
    EXPECT_EQ(cl.options.albumsPerPage, 20);
    EXPECT_EQ(cl.options.picturesPerPage, 24);
    EXPECT_GE(cl.options.threads, 64);
}

TEST(CommandLine, EveryOptionSetsWhatItNames) {
    CommandLine cl = parse({"--listen",
                            "0.0.0.0",
                            "--port",
                            "0",
                            "--root",
                            "/srv/pictures",
                            "--albums-per-page",
                            "2",
                            "--pictures-per-page",
                            "5",
                            "--thumbnail-size",
                            "0x0",
                            "--threads",
                            "80",
                            "--latency-ms",
                            "15",
                            "--set-cookie",
                            "pv=1",
                            "--require-cookie",
                            "--log",
                            "--fail",
                            "/a",
                            "--drop",
                            "/b",
                            "--cut",
                            "/c",
                            "--not-found",
                            "/d",
                            "--hang",
                            "/e",
                            "--delay",
                            "/f=40",
                            "--declare",
                            "/g=十二 张"});
    ASSERT_TRUE(cl.error.empty()) << cl.error;
    const HostOptions& o = cl.options;
    EXPECT_EQ(o.bindAddress, "0.0.0.0");
    EXPECT_EQ(o.port, 0);
    EXPECT_EQ(o.root, "/srv/pictures");
    EXPECT_EQ(o.albumsPerPage, 2);
    EXPECT_EQ(o.picturesPerPage, 5);
    EXPECT_EQ(o.thumbnailWidth, 0);
    EXPECT_EQ(o.thumbnailHeight, 0);
    EXPECT_EQ(o.threads, 80);
    EXPECT_EQ(o.latencyMs, 15);
    EXPECT_EQ(o.cookie, "pv=1");
    EXPECT_TRUE(o.requireCookie);
    EXPECT_TRUE(o.logRequests);
    ASSERT_EQ(o.faults.size(), 7u);
    const Fault kinds[] = {Fault::serverError, Fault::drop,  Fault::cutOff,       Fault::notFound,
                           Fault::hang,        Fault::delay, Fault::declaredCount};
    for (std::size_t i = 0; i < 7; ++i) {
        EXPECT_EQ(o.faults[i].fault, kinds[i]);
        EXPECT_EQ(o.faults[i].path, std::string("/") + static_cast<char>('a' + i));
    }
    EXPECT_EQ(o.faults[5].delayMs, 40);
    EXPECT_EQ(o.faults[6].text, "十二 张");
}

TEST(CommandLine, BadArgumentsAreRefusedWithAReason) {
    const std::vector<std::vector<std::string>> cases = {
        {"--port"},
        {"--port", "x"},
        {"--port", "70000"},
        {"--threads", "2"},
        {"--albums-per-page", "0"},
        {"--thumbnail-size", "150"},
        {"--thumbnail-size", "0x10"},
        {"--set-cookie", "novalue"},
        {"--fail", "relative"},
        {"--delay", "/a"},
        {"--delay", "/a=soon"},
        {"--faults", "/nonexistent/faults"},
        {"--frobnicate"},
    };
    for (const auto& args : cases) {
        CommandLine cl = parse(args);
        EXPECT_FALSE(cl.error.empty()) << args[0] << (args.size() > 1 ? " " + args[1] : "");
    }
}

TEST(CommandLine, HelpNamesEveryOptionAndEveryNamedOptionIsAccepted) {
    EXPECT_TRUE(parse({"--help"}).help);
    const std::string help = usage();
    std::set<std::string> named;
    std::regex option("--[a-z-]+");
    for (auto it = std::sregex_iterator(help.begin(), help.end(), option);
         it != std::sregex_iterator(); ++it)
        named.insert(it->str());
    const std::set<std::string> expected = {"--listen",
                                            "--port",
                                            "--root",
                                            "--albums-per-page",
                                            "--pictures-per-page",
                                            "--thumbnail-size",
                                            "--threads",
                                            "--latency-ms",
                                            "--set-cookie",
                                            "--require-cookie",
                                            "--log",
                                            "--help",
                                            "--fail",
                                            "--drop",
                                            "--cut",
                                            "--not-found",
                                            "--hang",
                                            "--delay",
                                            "--declare",
                                            "--faults"};
    EXPECT_EQ(named, expected);
}

TEST(CommandLine, FaultsFileHoldsOneRuleALineAndNamesTheBadLine) {
    QTemporaryDir dir;
    const std::string file = dir.filePath("faults").toStdString();
    std::ofstream(file) << "# faults for the listing tests\n"
                           "\n"
                           "fail /demo/album/index/2\n"
                           "  cut   /demo/album/1/pic/0007.jpg  \n"
                           "delay /demo/album/1/abpic/* 120\n"
                           "declare /demo/album/2 三十 张\n";
    CommandLine cl = parse({"--faults", file, "--hang", "/x"});
    ASSERT_TRUE(cl.error.empty()) << cl.error;
    const auto& f = cl.options.faults;
    ASSERT_EQ(f.size(), 5u);
    EXPECT_EQ(f[0].fault, Fault::serverError);
    EXPECT_EQ(f[0].path, "/demo/album/index/2");
    EXPECT_EQ(f[1].fault, Fault::cutOff);
    EXPECT_EQ(f[1].path, "/demo/album/1/pic/0007.jpg");
    EXPECT_EQ(f[2].fault, Fault::delay);
    EXPECT_EQ(f[2].delayMs, 120);
    EXPECT_EQ(f[3].text, "三十 张");
    EXPECT_EQ(f[4].fault, Fault::hang);

    std::ofstream(file) << "fail /ok\nexplode /demo\n";
    cl = parse({"--faults", file});
    EXPECT_NE(cl.error.find(":2:"), std::string::npos) << cl.error;
    std::ofstream(file) << "cut /demo 12\n";
    EXPECT_FALSE(parse({"--faults", file}).error.empty()) << "cut takes no value";
}

// The program built beside the tests: <build>/albumhost/albumhost.
std::filesystem::path programPath() {
    std::filesystem::path dir = std::filesystem::read_symlink("/proc/self/exe").parent_path();
    for (int up = 0; up < 4; ++up, dir = dir.parent_path()) {
        auto candidate = dir / "albumhost" / "albumhost";
        if (std::filesystem::is_regular_file(candidate))
            return candidate;
    }
    return {};
}

TEST(Program, PrintsItsAddressServesAndEndsOnSigterm) {
    const auto program = programPath();
    if (program.empty())
        GTEST_SKIP() << "albumhost program not built";
    int out[2];
    ASSERT_EQ(::pipe(out), 0);
    pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::dup2(out[1], 1);
        ::close(out[0]);
        ::close(out[1]);
        ::execl(program.c_str(), "albumhost", "--port", "0", "--albums-per-page", "2",
                static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(out[1]);
    std::string line;
    char c = 0;
    while (::read(out[0], &c, 1) == 1 && c != '\n')
        line += c;
    ::close(out[0]);
    std::smatch m;
    ASSERT_TRUE(std::regex_match(line, m, std::regex(R"(listening on 127\.0\.0\.1:(\d+))")))
        << line;
    const int port = std::stoi(m[1]);

    RawReply index = rawGet(port, "/demo/album");
    EXPECT_EQ(index.status, 200);
    EXPECT_NE(index.body.find("/demo/album/index/"), std::string::npos) << "several pages";

    ::kill(child, SIGTERM);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

TEST(Program, HelpExitsAtOnce) {
    const auto program = programPath();
    if (program.empty())
        GTEST_SKIP() << "albumhost program not built";
    FILE* p = ::popen((program.string() + " --help").c_str(), "r");
    ASSERT_NE(p, nullptr);
    std::string text;
    char buffer[512];
    while (std::size_t n = std::fread(buffer, 1, sizeof buffer, p))
        text.append(buffer, n);
    EXPECT_EQ(::pclose(p), 0);
    EXPECT_EQ(text, usage());
}

} // namespace
} // namespace albumhost::test
