// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdlib>
#include <filesystem>
#include <string>

namespace brisa::fuzz {

/// One folder of the fuzzer process's own in the temporary directory, made once and reused for
/// every input, and removed when the process exits (libFuzzer ends a timed or counted run with
/// exit()). A crash leaves it, which is what one wants beside the crashing input.
class ScratchFolder {
public:
    explicit ScratchFolder(const char* prefix)
    {
        std::string name = (std::filesystem::temp_directory_path() / prefix).string() + "XXXXXX";
        if (!::mkdtemp(name.data()))
            std::abort();
        path_ = name;
    }
    ~ScratchFolder()
    {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::filesystem::path& path() const { return path_; }
    /// Empties the folder for the next input.
    void clear() const
    {
        std::error_code ec;
        for (const auto& entry : std::filesystem::directory_iterator(path_, ec))
            std::filesystem::remove_all(entry.path(), ec);
    }

private:
    std::filesystem::path path_;
};

} // namespace brisa::fuzz
