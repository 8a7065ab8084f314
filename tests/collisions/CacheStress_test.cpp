// Several processes at once on a cold database cache, as two program windows
// or two users sharing a cache meet it: each converts the sample's geometry,
// inventory and all-versions databases (or waits for another to) and looks
// locations up; none may fail, and every answer must be a lone process's.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <sstream>

#include "collisions/CDEaddLatLonmod.h"
#include "common/DataFolders.h"
#include "common/TessawinMod.h"
#include "inventory/GeoDBmod.h"
#include "inventory/HMZ_Database.h"
#include "inventory/HMZ_SegAllVersions.h"
#include "tests/collisions/collisions_support.h"

namespace {

using namespace collisions_test;

constexpr int kProcesses = 8;

class CacheStressTest : public CollisionsTest {
protected:
    void SetUp() override {
        CollisionsTest::SetUp();
        saved_ = AppFolder;
        AppFolder = PROGRAM_FOLDER;
        const char* old = std::getenv("XDG_CACHE_HOME");
        if (old) old_cache_ = old;
        WriteFile(data_ + "in.csv",
                  "\"SEGNUM\",\"KMMARK\",\"ACCASE\"\r\n"
                  "\"0010\",\"1.05\",\"1\"\r\n"
                  "\"0020\",\"0.4\",\"2\"\r\n"
                  "\"0030\",\"1.0\",\"3\"\r\n"
                  "\"0040\",\"2.0\",\"4\"\r\n"
                  "\"0010\",\"12.0\",\"5\"\r\n");
    }
    void TearDown() override {
        ::setenv("XDG_CACHE_HOME", old_cache_.c_str(), 1);
        AppFolder = saved_;
        CollisionsTest::TearDown();
    }

    // The lookups of one process, as text; in a child, so that this process
    // keeps no database open.
    std::string Lookups(int n) {
        const std::string out = out_ + "geo-" + std::to_string(n) + ".csv";
        settings::SetStoreFolder((dir_ / ("store-" + std::to_string(n))).string());
        ui_->ExpectInput(Sample_Folder() + "TRgeo_HMZ202004_SegGeometry.mdb", "Open HMZ Segment geometry database");
        ui_->ExpectMsgBox(ui::vbOK, "Processing complete.");
        CDEaddLatLon("201404", data_ + "in.csv", out, true, true);
        std::ostringstream answers;
        answers << ReadFile(out);
        answers << "valid " << HMZ_Version_Valid("201404") << HMZ_Version_Valid("202004") << "\n";
        for (const char* seg : {"0010", "0020", "0030"})
            answers << seg << " " << SAV_Length_at_Date(seg, "2016-06-01", 3) << " " << SAV_Latest_Version(seg) << "\n";
        if (HMZ_Open_Database("202004"))
            for (const char* seg : {"0010", "0020", "0040"})
                answers << seg << " " << HMZ_Get_SegLength(seg) << " " << HMZ_Get_Highway(seg) << "\n";
        else
            answers << "inventory not opened\n";
        HMZ_Close_Database();
        GeoDB_Close();
        SAV_Forget_Database();
        return answers.str();
    }

    // Starts `count` processes at once on the cache folder `cache`; each
    // writes its answers to answers-<n>. True when every one ended well.
    bool RunAtOnce(int first, int count, const std::string& cache) {
        ::setenv("XDG_CACHE_HOME", cache.c_str(), 1);
        std::vector<pid_t> children;
        for (int i = first; i < first + count; ++i) {
            pid_t pid = ::fork();
            if (pid == 0) {
                const std::string answers = Lookups(i);
                WriteFile(Answers(i), answers);
                const bool unexpected = ::testing::Test::HasFailure() ||
                                        Status().find("rror") != std::string::npos;
                if (unexpected) WriteFile(Answers(i) + ".status", Status());
                std::_Exit(unexpected ? 1 : 0);
            }
            children.push_back(pid);
        }
        bool all = true;
        for (pid_t pid : children) {
            int status = 0;
            ::waitpid(pid, &status, 0);
            all = all && WIFEXITED(status) && WEXITSTATUS(status) == 0;
        }
        return all;
    }
    std::string Answers(int n) const { return (dir_ / ("answers-" + std::to_string(n))).string(); }

    std::string saved_;
    std::string old_cache_;
};

TEST_F(CacheStressTest, ProcessesOnAColdCacheAllAnswerAsOneAlone) {
    ASSERT_TRUE(RunAtOnce(0, 1, (dir_ / "cache-alone").string())) << ReadFile(Answers(0) + ".status");
    const std::string alone = ReadFile(Answers(0));
    ASSERT_NE(alone.find("Latitude"), std::string::npos) << alone;
    ASSERT_EQ(alone.find("not opened"), std::string::npos) << alone;

    const char* env = std::getenv("TESSAWIN_STRESS_ROUNDS");
    const int rounds = env ? std::atoi(env) : 3;
    for (int round = 0; round < rounds; ++round) {
        const int first = 1 + round * kProcesses;
        const bool ok = RunAtOnce(first, kProcesses, (dir_ / ("cache-" + std::to_string(round))).string());
        for (int i = first; i < first + kProcesses; ++i) {
            EXPECT_EQ(ReadFile(Answers(i)), alone) << "round " << round << ", process " << i - first << "\n"
                                                    << ReadFile(Answers(i) + ".status");
        }
        ASSERT_TRUE(ok) << "round " << round;
    }
}

}  // namespace
