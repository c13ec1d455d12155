#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

// Tables the built tool writes, shared by the sampler's and the checker's tests.
namespace tool_tables {

namespace fs = std::filesystem;

inline fs::path fresh_dir()
{
    static struct cleanup {
        std::vector<fs::path> dirs;
        ~cleanup()
        {
            std::error_code ignored;
            for (const auto& d : dirs) fs::remove_all(d, ignored);
        }
    } made;
    std::string name = (fs::temp_directory_path() / "sampler_test_XXXXXX").string();
    if (mkdtemp(name.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    return made.dirs.emplace_back(name);
}

inline std::string slurp(const fs::path& path)
{
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}


// The table the tool writes for these dialogue answers, made once per run.
inline fs::path tool_table(const std::string& answers)
{
    static std::map<std::string, fs::path> made;
    if (auto it = made.find(answers); it != made.end()) return it->second;
    const fs::path dir = fresh_dir();
    const std::string cmd =
        "cd '" + dir.string() + "' && printf '%s\\n' '" + answers + "' | '" SIN_COS_BIN "' > /dev/null";
    if (std::system(cmd.c_str()) != 0) throw std::runtime_error("sin_cos failed on: " + answers);
    return made[answers] = dir / "Sin_Cos.res";
}

inline std::vector<std::string> lines_of(const fs::path& path)
{
    std::vector<std::string> lines;
    std::ifstream in(path);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

// Dialogue answers: the defaults and two tables on inner intervals, one on
// each side of 0 and one on the negative side alone with a fractional H.
inline const std::vector<std::string> tables = {"", "-0.3 0.9 3 4 2000", "-0.7 -0.2 1.5 6 400"};

}  // namespace tool_tables
