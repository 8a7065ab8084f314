#include "common/DataFolders.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "common/TessawinMod.h"
#include "platform/settings/settings.h"

namespace {

namespace fs = std::filesystem;

class DataFolders : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("tw_datafolders_" + std::to_string(::getpid()));
        fs::remove_all(dir_);
        fs::create_directories(dir_ / "app" / "sample");
        settings::SetStoreFolder((dir_ / "store").string());
        saved_app_ = AppFolder;
        AppFolder = (dir_ / "app").string() + "/";
    }
    void TearDown() override {
        AppFolder = saved_app_;
        settings::SetStoreFolder("");
        fs::remove_all(dir_);
    }
    fs::path dir_;
    std::string saved_app_;
};

TEST_F(DataFolders, UnsetKindsAreTheSampleBesideTheProgram) {
    const std::string sample = (dir_ / "app" / "sample").string() + "/";
    for (DataKind k : {DataKind::Inventory, DataKind::AllVersions, DataKind::Geometry, DataKind::Translation,
                       DataKind::Volume})
        EXPECT_EQ(Data_Folder(k), sample) << DataFolderKey(k);
}

TEST_F(DataFolders, AStoredFolderWinsForItsKindAlone) {
    ASSERT_TRUE(settings::SaveSetting("Tessawin", "DataFolders", "geometry", "  /data/geo "));
    EXPECT_EQ(Data_Folder(DataKind::Geometry), "/data/geo/");
    EXPECT_EQ(Data_Folder(DataKind::Inventory), (dir_ / "app" / "sample").string() + "/");
}

TEST_F(DataFolders, WithoutASampleBesideTheProgramTheBuiltOneIsUsed) {
    fs::remove_all(dir_ / "app" / "sample");
    const std::string f = Sample_Folder();
    EXPECT_FALSE(f.empty());
    EXPECT_EQ(f.back(), '/');
    EXPECT_EQ(f.find((dir_ / "app").string()), std::string::npos);
}

}  // namespace
