// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace brisa::test {

/// A fresh folder under $TMPDIR, removed with everything in it at the end of the test.
class TempDir {
public:
    TempDir()
    {
        auto base = std::filesystem::temp_directory_path() / "brisa-test-XXXXXX";
        std::string pattern = base.string();
        if (char* made = mkdtemp(pattern.data()))
            path_ = made;
    }
    ~TempDir()
    {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

private:
    std::filesystem::path path_;
};

/// Writes contents to path as they are, making its folders first.
inline void writeFile(const std::filesystem::path& path, const std::string& contents)
{
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << contents;
}

} // namespace brisa::test
