#include "platform/db/isolate.h"

#include <gtest/gtest.h>

#include <csignal>
#include <memory>
#include <thread>
#include <vector>

namespace {

using db::detail::run_isolated;
using namespace std::chrono_literals;

TEST(Isolated, ResultOfTheWorkComesBack) {
    EXPECT_EQ(run_isolated(
                  [](const std::function<void()>& progress) {
                      for (int i = 0; i < 100000; ++i) progress();  // more than a pipe holds
                      return std::string();
                  },
                  10s),
              "");
    EXPECT_EQ(run_isolated([](const std::function<void()>&) { return std::string("table x: damaged"); }, 10s),
              "table x: damaged");
    EXPECT_EQ(
        run_isolated([](const std::function<void()>&) -> std::string { throw std::runtime_error("bad page"); }, 10s),
        "bad page");
}

TEST(Isolated, CrashBecomesAMessage) {
    std::string msg = run_isolated(
        [](const std::function<void()>&) -> std::string {
            std::fputs("libmdb: reading page 12\n", stderr);
            std::abort();
        },
        10s);
    EXPECT_NE(msg.find("the reader crashed"), std::string::npos) << msg;
    EXPECT_NE(msg.find("libmdb: reading page 12"), std::string::npos) << msg;
}

TEST(Isolated, HangIsStopped) {
    std::string msg = run_isolated(
        [](const std::function<void()>& progress) -> std::string {
            progress();
            for (;;) std::this_thread::sleep_for(1h);
        },
        300ms);
    EXPECT_NE(msg.find("no progress for 0.3 s"), std::string::npos) << msg;
}

TEST(Isolated, MemoryIsCapped) {
    if (db::detail::kAddressSanitizer) GTEST_SKIP() << "no address-space cap under AddressSanitizer";
    std::string msg = run_isolated(
        [](const std::function<void()>&) -> std::string {
            // Address space, not memory: the blocks are never touched.
            std::vector<std::unique_ptr<char[]> > hog;
            for (;;) hog.emplace_back(new char[std::size_t{64} << 20]);
        },
        10s, std::size_t{256} << 20);
    EXPECT_NE(msg.find("ran out of memory"), std::string::npos) << msg;
}

}  // namespace
