// Every input the fuzzers ever broke the program with, replayed through the same checks.
#include "fuzz/fuzzchecks.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <string>

namespace pv {
namespace {

void replay(const char* target, void (*check)(const std::uint8_t*, std::size_t)) {
    const std::filesystem::path folder = std::filesystem::path(PICVORA_FUZZ_REGRESSIONS) / target;
    int replayed = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        if (!entry.is_regular_file() || entry.path().filename() == ".keep")
            continue;
        std::ifstream in(entry.path(), std::ios::binary);
        const std::string bytes((std::istreambuf_iterator<char>(in)), {});
        SCOPED_TRACE(entry.path().string());
        check(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
        ++replayed;
    }
    ::testing::Test::RecordProperty("replayed", replayed);
}

TEST(FuzzRegressions, UrlParts) {
    replay("urlparts", fuzz::checkUrlParts);
}
TEST(FuzzRegressions, PageCount) {
    replay("pagecount", fuzz::checkPageCount);
}
TEST(FuzzRegressions, Records) {
    replay("records", fuzz::checkRecords);
}
TEST(FuzzRegressions, FreeName) {
    replay("freename", fuzz::checkFreeName);
}

} // namespace
} // namespace pv
