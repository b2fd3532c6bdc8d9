// Work in a limited child process: whatever becomes of the child, the caller learns which, and
// an answer of any size arrives whole while it is written.
#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <vector>

#include <sys/resource.h>
#include <unistd.h>

#include "wave/files/limited_child.h"

namespace auralith {
namespace {

struct ChildCase {
    const char* name;
    std::function<int(int)> work;
    ChildEnding::Kind kind;
    int code = 0;
    std::size_t answered = 0;  // bytes of the answer, when it answered
};

void PrintTo(const ChildCase& c, std::ostream* out) { *out << c.name; }

class LimitedChild : public ::testing::TestWithParam<ChildCase> {};

// The reader takes at most 8 MiB, each byte counting up modulo 251.
TEST_P(LimitedChild, TellsHowTheChildEnded) {
    const ChildCase& c = GetParam();
    std::vector<unsigned char> answer(std::size_t{8} << 20);
    const auto read = [&answer](int fd) {
        answer.resize(readWhole(fd, answer.data(), answer.size()));
        unsigned char beyond = 0;
        for (std::size_t k = 0; k < answer.size(); ++k)
            if (answer[k] != static_cast<unsigned char>(k % 251)) return false;
        return readWhole(fd, &beyond, 1) == 0;
    };
    const ChildEnding ending = runLimitedChild(c.work, read, {1, std::uint64_t{64} << 20});
    EXPECT_EQ(ending.kind, c.kind);
    EXPECT_EQ(ending.code, c.code);
    if (c.kind == ChildEnding::Kind::answered) {
        EXPECT_EQ(answer.size(), c.answered);
    }
}

// `bytes` bytes counting up modulo 251, written in one call: the pipe must be read meanwhile.
int answerOf(int fd, std::size_t bytes) {
    std::vector<unsigned char> data(bytes);
    for (std::size_t k = 0; k < bytes; ++k) data[k] = static_cast<unsigned char>(k % 251);
    return writeWhole(fd, data.data(), data.size()) ? 0 : 9;
}

volatile unsigned long spun = 0;

INSTANTIATE_TEST_SUITE_P(Endings, LimitedChild,
                         ::testing::Values(ChildCase{"answers3MB", [](int fd) { return answerOf(fd, 3 << 20); },
                                                     ChildEnding::Kind::answered, 0, 3 << 20},
                                           ChildCase{"fails", [](int) { return 3; }, ChildEnding::Kind::failed, 3},
                                           ChildCase{"crashes",
                                                     [](int) {
                                                         std::raise(SIGSEGV);
                                                         return 0;
                                                     },
                                                     ChildEnding::Kind::signalled, SIGSEGV},
                                           ChildCase{"spinsForEver",
                                                     [](int) {
                                                         for (;;) spun = spun + 1;
                                                         return 0;
                                                     },
                                                     ChildEnding::Kind::outOfTime, SIGXCPU},
                                           // The reader stops: the child, still writing, ends by the closed pipe.
                                           ChildCase{"answersTooMuch", [](int fd) { return answerOf(fd, 9 << 20); },
                                                     ChildEnding::Kind::unreadable, SIGPIPE},
                                           ChildCase{"answersGarbage",
                                                     [](int fd) { return writeWhole(fd, "garbage", 7) ? 0 : 9; },
                                                     ChildEnding::Kind::unreadable, 0}),
                         [](const auto& info) { return std::string(info.param.name); });

// The memory limit counts from what the child starts with: 64 MiB more cannot be had, 16 can.
// Where the system does not keep the limit (qemu's user mode ignores it), the child says so.
TEST(LimitedChildMemory, IsLimitedBeyondWhatTheChildStartsWith) {
    if (!childMemoryIsLimited()) GTEST_SKIP() << "AddressSanitizer's address space cannot be limited";
    constexpr int unlimited = 77;
    const auto allocates = [](std::size_t mib) {
        return [mib](int) {
            rlimit space{};
            if (::getrlimit(RLIMIT_AS, &space) != 0 || space.rlim_cur == RLIM_INFINITY) return unlimited;
            void* block = std::malloc(mib << 20);
            if (block != nullptr) std::memset(block, 1, mib << 20);
            return block != nullptr ? 0 : 7;
        };
    };
    const ChildLimits limits{5, std::uint64_t{32} << 20};
    const auto none = [](int) { return true; };
    const ChildEnding taken = runLimitedChild(allocates(16), none, limits);
    if (taken.kind == ChildEnding::Kind::failed && taken.code == unlimited)
        GTEST_SKIP() << "this system does not keep a limit of the address space";
    EXPECT_EQ(taken.kind, ChildEnding::Kind::answered);
    const ChildEnding refused = runLimitedChild(allocates(64), none, limits);
    EXPECT_EQ(refused.kind, ChildEnding::Kind::failed);
    EXPECT_EQ(refused.code, 7);
}

}  // namespace
}  // namespace auralith
