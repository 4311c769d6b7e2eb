// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/ImageModule.h"

#include "core/support/Log.h"

#include <dlfcn.h>

#include <mutex>
#include <string>

namespace brisa {
namespace {

/// Beside the module this code is linked into (libbrisa-app or libbrisa-store), wherever that is.
std::string modulePath()
{
    Dl_info self{};
    std::string path = "libbrisa-image.so";
    if (dladdr(reinterpret_cast<void*>(&loadedImageLibrary), &self) && self.dli_fname) {
        const std::string own = self.dli_fname;
        path = own.substr(0, own.rfind('/') + 1) + path;
    }
    return path;
}

const ImageLibrary* load()
{
    const std::string path = modulePath();
    void* library = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    auto entry = library ? reinterpret_cast<ImageModuleEntry>(dlsym(library, kImageModuleEntry)) : nullptr;
    if (!entry) {
        logf("No se pudo cargar {}: sin él no se leen imágenes ({})", path, dlerror());
        return nullptr;
    }
    // Its lines join this program's log.
    return entry([](const char* line, std::size_t size) { logRaw(std::string_view(line, size)); });
}

/// Forwards to libbrisa-image, loaded on the first call from whichever thread makes it.
class LoadedImageLibrary final : public ImageLibrary {
public:
    std::optional<Bytes> toPng(const Bytes& encoded) const override
    {
        return loaded() ? loaded()->toPng(encoded) : std::nullopt;
    }
    std::optional<Bytes> completeToPng(const Bytes& encoded) const override
    {
        return loaded() ? loaded()->completeToPng(encoded) : std::nullopt;
    }
    std::optional<Bytes> thumbnail(const Bytes& image, double maxDimension) const override
    {
        return loaded() ? loaded()->thumbnail(image, maxDimension) : std::nullopt;
    }
    std::optional<std::pair<int, int>> pixelSize(const Bytes& image) const override
    {
        return loaded() ? loaded()->pixelSize(image) : std::nullopt;
    }
    std::optional<std::string> recognize(const Bytes& image) const override
    {
        return loaded() ? loaded()->recognize(image) : std::nullopt;
    }
    std::optional<ProcessedImage> process(const ImageOperation& operation, const Bytes& source,
                                          const std::optional<std::string>& sourceAppName) const override
    {
        return loaded() ? loaded()->process(operation, source, sourceAppName) : std::nullopt;
    }
    std::optional<Bytes> convert(const Bytes& image, ImageFileFormat format) const override
    {
        return loaded() ? loaded()->convert(image, format) : std::nullopt;
    }
    std::optional<PixelBuffer> decodeRgba(const Bytes& image) const override
    {
        return loaded() ? loaded()->decodeRgba(image) : std::nullopt;
    }

private:
    const ImageLibrary* loaded() const
    {
        std::call_once(once_, [this] { library_ = load(); });
        return library_;
    }

    mutable std::once_flag once_;
    mutable const ImageLibrary* library_ = nullptr;
};

} // namespace

const ImageLibrary& loadedImageLibrary()
{
    static const LoadedImageLibrary library;
    return library;
}

} // namespace brisa
