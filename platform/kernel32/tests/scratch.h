// A fresh drive C: for each test, below the test program's scratch folder.
#pragma once

#include <windows.h>
#include <winplat/host.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

class ScratchDrive : public ::testing::Test {
protected:
    void SetUp() override
    {
        const char* base = std::getenv("WINPLAT_TEST_SCRATCH");
        std::filesystem::path root = base ? base : std::filesystem::temp_directory_path() / "winplat-tests";
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        drive_ = root / "drive" / (std::string(info->test_suite_name()) + "." + info->name());
        std::filesystem::remove_all(drive_);
        std::filesystem::create_directories(drive_);
        winplat::SetDriveCFolder(drive_.string());
    }

    std::string Host(const std::string& relative) const { return (drive_ / relative).string(); }

    std::filesystem::path drive_;
};
