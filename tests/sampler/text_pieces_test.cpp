// A file whose text is made piece by piece, each piece written as it is made:
// the file holds the whole text whatever the pieces' sizes, and a text whose
// making fails leaves the old file and no temporary.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>
#include <string>

#include "sin_cos/whole_file.hpp"

namespace {

namespace files = sin_cos::files;
namespace fs = std::filesystem;

std::string slurp(const fs::path& p)
{
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The text in pieces of random sizes up to the room offered; fails once
// more than `fail_at` bytes would be given.
files::text_pieces random_pieces(const std::string& text, unsigned seed, std::size_t fail_at = std::string::npos)
{
    return [&text, fail_at, done = std::size_t{0}, sizes = std::mt19937(seed)](char* at, std::size_t room) mutable {
        const std::size_t size = std::min<std::size_t>(1 + sizes() % room, text.size() - done);
        if (done + size > fail_at) throw std::runtime_error("no more text");
        std::copy_n(text.data() + done, size, at);
        done += size;
        return size;
    };
}

TEST(TextPieces, MakeTheWholeFileOrLeaveTheOldOne)
{
    std::string dir = (fs::temp_directory_path() / "text_pieces.XXXXXX").string();
    ASSERT_NE(::mkdtemp(dir.data()), nullptr);
    const fs::path file = fs::path(dir) / "Sin_Cos.res";
    std::mt19937 bytes(5);
    for (const std::size_t size : {std::size_t{0}, std::size_t{1}, files::piece_room - 1, files::piece_room,
                                   files::piece_room + 1, 5 * files::piece_room + 12345}) {
        std::string text(size, ' ');
        for (char& c : text) c = static_cast<char>('a' + bytes() % 26);
        EXPECT_EQ(files::whole_text(files::pieces_of(text)), text);
        EXPECT_EQ(files::whole_text(random_pieces(text, 3)), text);
        files::staged_file(file.string(), random_pieces(text, static_cast<unsigned>(size))).commit();
        EXPECT_EQ(slurp(file), text) << size;

        const std::string before = slurp(file);
        const std::string next = text + "next";
        if (size > 0) {
            EXPECT_THROW(files::staged_file(file.string(), random_pieces(next, 7, size / 2)), std::runtime_error);
            EXPECT_EQ(slurp(file), before) << size;
            EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1) << "a temporary is left";
        }
    }
    fs::remove_all(dir);
}

}  // namespace
