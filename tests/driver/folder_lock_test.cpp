// A run kept waiting past its bound by another in the same folder gives up
// rather than waiting for ever; once the folder is free it takes it.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <stdexcept>
#include <string>

#include "sin_cos/whole_file.hpp"

namespace {

using sin_cos::files::folder_lock;
using std::chrono::milliseconds;

int waits_told = 0;

TEST(FolderLock, WaitsForTheRunHoldingItThenGivesUp)
{
    std::string dir = (std::filesystem::temp_directory_path() / "folder_lock.XXXXXX").string();
    ASSERT_NE(::mkdtemp(dir.data()), nullptr);
    const int other_run = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    ASSERT_EQ(::flock(other_run, LOCK_EX), 0);
    const auto t0 = std::chrono::steady_clock::now();
    try {
        const folder_lock lock(dir, milliseconds(300), [] { ++waits_told; });
        ADD_FAILURE() << "taken while another run held it";
    } catch (const std::runtime_error& e) {
        EXPECT_NE(std::string(e.what()).find("another run has been writing its own in \"" + dir + "\" for 0.3 s"),
                  std::string::npos)
            << e.what();
    }
    EXPECT_GE(std::chrono::steady_clock::now() - t0, milliseconds(300));
    EXPECT_EQ(waits_told, 1);
    ::close(other_run);
    EXPECT_TRUE(folder_lock(dir, milliseconds(0)).held());
    std::filesystem::remove(dir);
}

}  // namespace
