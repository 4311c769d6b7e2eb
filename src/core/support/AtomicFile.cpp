// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/support/AtomicFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <ctime>
#include <fstream>
#include <sstream>

namespace brisa {
namespace {

std::string errnoText(std::string_view what, const std::filesystem::path& p)
{
    return std::string(what) + " " + p.string() + ": " + std::strerror(errno);
}

} // namespace

std::optional<std::string> writeFileAtomically(const std::filesystem::path& path, std::string_view contents,
                                               unsigned mode)
{
    const auto dir = path.parent_path().empty() ? std::filesystem::path(".") : path.parent_path();
    std::error_code ec;
    if (!std::filesystem::exists(dir, ec)) {
        std::filesystem::create_directories(dir, ec);
        if (ec)
            return "cannot create " + dir.string() + ": " + ec.message();
        ::chmod(dir.c_str(), 0700);
    }

    auto tmp = path;
    tmp += ".tmp-" + std::to_string(::getpid());
    int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, mode);
    if (fd < 0)
        return errnoText("cannot create", tmp);
    ::fchmod(fd, mode); // the umask may have narrowed or widened it

    const char* p = contents.data();
    std::size_t left = contents.size();
    while (left > 0) {
        ssize_t n = ::write(fd, p, left);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            auto err = errnoText("cannot write", tmp);
            ::close(fd);
            ::unlink(tmp.c_str());
            return err;
        }
        p += n;
        left -= static_cast<std::size_t>(n);
    }
    if (::fsync(fd) != 0 || ::close(fd) != 0) {
        auto err = errnoText("cannot flush", tmp);
        ::unlink(tmp.c_str());
        return err;
    }
    if (::rename(tmp.c_str(), path.c_str()) != 0) {
        auto err = errnoText("cannot replace", path);
        ::unlink(tmp.c_str());
        return err;
    }
    if (int dfd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); dfd >= 0) {
        ::fsync(dfd);
        ::close(dfd);
    }
    return std::nullopt;
}

std::optional<std::string> readWholeFile(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    std::ostringstream ss;
    ss << in.rdbuf();
    if (in.bad())
        return std::nullopt;
    return ss.str();
}

std::string fileTimeStamp(std::chrono::system_clock::time_point t)
{
    std::time_t tt = std::chrono::system_clock::to_time_t(t);
    std::tm tm{};
    gmtime_r(&tt, &tm);
    char buf[32];
    std::strftime(buf, sizeof buf, "%Y%m%dT%H%M%SZ", &tm);
    return buf;
}

} // namespace brisa
