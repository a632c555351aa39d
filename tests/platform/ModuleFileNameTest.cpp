#include "ModuleFileName.h"
#include "LastError.h"

#include <gtest/gtest.h>

#include <filesystem>

TEST(GetModuleFileName, ProgramPathAndTruncation)
{
    const std::string expected = std::filesystem::read_symlink("/proc/self/exe").string();
    char buffer[4096];
    EXPECT_EQ(win::GetModuleFileNameA(nullptr, buffer, sizeof buffer), expected.size());
    EXPECT_EQ(std::string(buffer), expected);

    char small[8];
    EXPECT_EQ(win::GetModuleFileNameA(nullptr, small, sizeof small), sizeof small);
    EXPECT_EQ(win::GetLastError(), win::ERROR_INSUFFICIENT_BUFFER);
    EXPECT_EQ(std::string(small), expected.substr(0, 7));

    win::CModuleTable table;
    EXPECT_EQ(win::GetModuleFileNameA(&table, buffer, sizeof buffer), 0u);
}
