// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/share/ShareFiles.h"

#include "core/support/AtomicFile.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace brisa {

namespace fs = std::filesystem;

fs::path shareScratchFolder()
{
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && *runtime == '/')
        return fs::path(runtime) / "brisa-share";
    return fs::path("/tmp") / ("brisa-share-" + std::to_string(::getuid()));
}

std::optional<std::string> preparePrivateFolder(const fs::path& dir)
{
    if (::mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST)
        return "no se puede crear " + dir.string() + ": " + std::strerror(errno);
    // In a shared /tmp someone else may have made the folder first, or left a link there.
    struct stat st {};
    if (::lstat(dir.c_str(), &st) != 0)
        return "no se puede leer " + dir.string() + ": " + std::strerror(errno);
    if (!S_ISDIR(st.st_mode) || st.st_uid != ::getuid())
        return dir.string() + " no es una carpeta propia";
    if ((st.st_mode & 07777) != 0700 && ::chmod(dir.c_str(), 0700) != 0)
        return "no se puede proteger " + dir.string() + ": " + std::strerror(errno);
    return std::nullopt;
}

SharedTextFile writeTextForSharing(const ShareContent& content, const fs::path& scratch)
{
    if (content.kind != ShareContent::Kind::Text)
        return {{}, "solo un texto se escribe en un archivo"};
    if (auto error = preparePrivateFolder(scratch))
        return {{}, *error};
    const fs::path folder = scratch / (content.clipId.empty() ? std::string("texto") : content.clipId);
    if (auto error = preparePrivateFolder(folder))
        return {{}, *error};
    const fs::path path = folder / (content.fileName.empty() ? std::string("Texto.txt") : content.fileName);
    if (auto error = writeFileAtomically(path, content.value, 0600))
        return {{}, *error};
    return {path, {}};
}

std::optional<std::string> saveSharedContent(const ShareContent& content, const fs::path& destination)
{
    if (content.kind == ShareContent::Kind::Text)
        return writeFileAtomically(destination, content.value, 0644);
    const fs::path source(content.value);
    std::error_code ec;
    const auto status = fs::status(source, ec);
    if (ec || !fs::exists(status))
        return "no existe " + source.string();
    if (fs::equivalent(source, destination, ec))
        return std::nullopt; // saved over itself: already there
    if (fs::is_directory(status))
        fs::copy(source, destination, fs::copy_options::recursive | fs::copy_options::overwrite_existing, ec);
    else
        fs::copy_file(source, destination, fs::copy_options::overwrite_existing, ec);
    if (ec)
        return "no se puede copiar " + source.string() + " a " + destination.string() + ": " + ec.message();
    return std::nullopt;
}

} // namespace brisa
