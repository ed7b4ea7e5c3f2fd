#pragma once
// A folder of the test's own with the settings file's path in it, for the settings file's tests.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

namespace korva::app::testing {

namespace fs = std::filesystem;

class SettingsFolderTest : public ::testing::Test {
protected:
    void SetUp() override {
        // A folder of this test's own: a random name that did not exist yet.
        std::random_device random;
        std::error_code error;
        do {
            folder_ = fs::temp_directory_path() / ("korva-profile-" + std::to_string(random()));
        } while (!fs::create_directory(folder_, error) && !error);
        ASSERT_FALSE(error) << error.message();
        path_ = (folder_ / "KorvaCfg.ini").string();
    }
    void TearDown() override { fs::remove_all(folder_); }

    void Write(const std::string& bytes) const { Write(path_, bytes); }
    static void Write(const std::string& path, const std::string& bytes) {
        std::ofstream(path, std::ios::binary) << bytes;
    }
    std::string Read() const {
        std::ifstream in(path_, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }
    std::vector<std::string> FolderEntries() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(folder_)) {
            names.push_back(entry.path().filename().string());
        }
        return names;
    }

    fs::path folder_;
    std::string path_;
};

}  // namespace korva::app::testing
