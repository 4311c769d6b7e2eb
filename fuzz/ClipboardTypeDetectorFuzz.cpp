// SPDX-License-Identifier: GPL-3.0-or-later
// Whatever a clipboard owner offers: privacy check and detection must not crash. The input is a list of
// targets, each [selector byte][length byte][data]; files are only ever read inside a private temp folder.
#include "core/capture/ClipboardTypeDetector.h"
#include "core/support/Log.h"
#include "core/support/Utf8.h"
#include "ScratchFolder.h"

#include <array>
#include <cstdlib>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

constexpr std::array<std::string_view, 16> kTargets{
    "text/uri-list", "x-special/gnome-copied-files", "UTF8_STRING", "text/plain;charset=utf-8", "text/plain",
    "image/png", "image/tiff", "image/jpeg", "image/bmp", "image/webp", "image/gif",
    "org.nspasteboard.ConcealedType", "com.apple.is-sensitive", "x-kde-passwordManagerHint", "TARGETS",
    "TEXT/PLAIN"};
constexpr std::array<std::string_view, 6> kExtensions{"png", "JPG", "pdf", "webp", "", "tiff"};

class FailingCodec : public brisa::ImageCodec {
public:
    std::optional<brisa::Bytes> toPng(const brisa::Bytes&) const override { return std::nullopt; }
};

bool insideFolder(const std::string& path, const std::filesystem::path& folder)
{
    const std::string prefix = folder.string() + "/";
    return path.starts_with(prefix) && path.find("/..") == std::string::npos;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const brisa::fuzz::ScratchFolder scratch("brisa-fuzz-detector-");
    static const bool ready = [] {
        brisa::setLogSink([](std::string_view) {});
        return true;
    }();
    (void)ready;
    const std::filesystem::path& dir = scratch.path();
    const FailingCodec codec;
    namespace Detector = brisa::ClipboardTypeDetector;

    brisa::ClipboardSnapshot snapshot;
    if (size > 0 && data[0] != 0xFF)
        snapshot.types.emplace();
    for (std::size_t i = 1; i + 1 < size;) {
        const std::string type(kTargets[data[i] % kTargets.size()]);
        const std::size_t length = std::min<std::size_t>(data[i + 1], size - i - 2);
        brisa::Bytes bytes(data + i + 2, data + i + 2 + length);
        if (snapshot.types && (data[i] & 0x80) == 0)
            snapshot.types->push_back(type);
        snapshot.contents[type] = std::move(bytes);
        i += 2 + length;
    }

    (void)Detector::isSensitive(snapshot);
    const auto paths = Detector::filePaths(snapshot);
    if (!paths.empty() && !insideFolder(paths.front(), dir)) {
        // Detection would read that file; keep the run away from the real file system.
        snapshot.contents.erase("text/uri-list");
        snapshot.contents.erase("x-special/gnome-copied-files");
    }
    (void)Detector::detect(snapshot, codec);

    // The whole input as text, and as an image file read back from disk.
    const std::string_view whole(reinterpret_cast<const char*>(data), size);
    (void)Detector::isLink(whole);
    (void)Detector::looksLikeCode(whole);
    (void)brisa::trimWhitespace(whole);
    (void)brisa::validUtf8(whole);
    (void)Detector::filePathFromUri(whole);
    const auto file = dir / ("clip." + std::string(kExtensions[size % kExtensions.size()]));
    std::ofstream(file, std::ios::binary | std::ios::trunc).write(whole.data(), static_cast<std::streamsize>(size));
    brisa::ClipboardSnapshot copied;
    copied.contents["text/uri-list"] = brisa::toBytes("file://" + file.string());
    (void)Detector::detect(copied, codec);
    return 0;
}
