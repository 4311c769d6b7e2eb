// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/capture/ClipboardTypeDetector.h"

#include "core/capture/ColorParser.h"
#include "core/support/Log.h"
#include "core/support/Utf8.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace brisa::ClipboardTypeDetector {
namespace {

constexpr std::string_view kUriList = "text/uri-list";
constexpr std::string_view kGnomeCopiedFiles = "x-special/gnome-copied-files";
constexpr std::string_view kPng = "image/png";
// Converted to PNG in this order when the clipboard holds no PNG.
constexpr std::array<std::string_view, 5> kOtherImageTypes{"image/tiff", "image/jpeg", "image/bmp", "image/webp",
                                                           "image/gif"};
constexpr std::array<std::string_view, 3> kTextTypes{"text/plain;charset=utf-8", "UTF8_STRING", "text/plain"};
constexpr std::array<std::string_view, 13> kCodeKeywords{"func ",   "def ",     "class ",  "import ", "const ",
                                                         "let ",    "var ",     "return ", "function",
                                                         "public ", "private ", "#include", "=>"};
constexpr std::string_view kCodeSymbols = "{};()=>[]<>";
constexpr std::string_view kPngSignature = "\x89PNG\r\n\x1A\n";

char asciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool equalsIgnoringCase(std::string_view a, std::string_view b) { return ClipboardSnapshot::sameName(a, b); }

bool isAlpha(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isHexDigit(char c) { return isDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }
bool isUnreserved(char c) { return isAlpha(c) || isDigit(c) || c == '-' || c == '.' || c == '_' || c == '~'; }
bool isSubDelim(char c) { return std::string_view("!$&'()*+,;=").find(c) != std::string_view::npos; }

int hexValue(char c)
{
    if (isDigit(c))
        return c - '0';
    return asciiLower(c) - 'a' + 10;
}

// Non-ASCII characters an internationalised URL may hold: no controls, white space or bidi formatting.
bool isAllowedNonAscii(char32_t c)
{
    return c >= 0xA0 && !isUnicodeWhitespace(c) && !(c >= 0x200E && c <= 0x200F) && !(c >= 0x202A && c <= 0x202E)
        && !(c >= 0x2066 && c <= 0x2069) && !(c >= 0xFDD0 && c <= 0xFDEF) && (c & 0xFFFE) != 0xFFFE;
}

// Every character of part is allowed by asciiAllowed, a valid "%XX" escape, or an allowed non-ASCII scalar.
template <typename Allowed>
bool isValidUrlPart(std::string_view part, Allowed asciiAllowed)
{
    for (std::size_t i = 0; i < part.size();) {
        const char c = part[i];
        if (static_cast<unsigned char>(c) >= 0x80) {
            const Utf8Scalar s = decodeUtf8At(part, i);
            if (!s.valid || !isAllowedNonAscii(s.value))
                return false;
            i += s.length;
        } else if (c == '%') {
            if (i + 2 >= part.size() || !isHexDigit(part[i + 1]) || !isHexDigit(part[i + 2]))
                return false;
            i += 3;
        } else if (asciiAllowed(c)) {
            ++i;
        } else {
            return false;
        }
    }
    return true;
}

bool isValidHost(std::string_view host)
{
    if (host.empty())
        return false;
    if (host.front() == '[') {
        // IPv6 literal: hex digits, colons and an optional dotted IPv4 tail.
        if (host.size() < 4 || host.back() != ']')
            return false;
        const std::string_view inner = host.substr(1, host.size() - 2);
        return inner.find(':') != std::string_view::npos
            && std::all_of(inner.begin(), inner.end(), [](char c) { return isHexDigit(c) || c == ':' || c == '.'; });
    }
    return isValidUrlPart(host, [](char c) { return isUnreserved(c) || isSubDelim(c); });
}

std::string_view trimAsciiSpaceAndNul(std::string_view s)
{
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\0'; };
    while (!s.empty() && blank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && blank(s.back()))
        s.remove_suffix(1);
    return s;
}

std::vector<std::string_view> lines(std::string_view text)
{
    std::vector<std::string_view> out;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos)
            end = text.size();
        out.push_back(trimAsciiSpaceAndNul(text.substr(start, end - start)));
        start = end + 1;
    }
    return out;
}

// Paths of the "file:" URIs among lines; blank lines and "#" comments are skipped.
void appendFilePaths(const std::vector<std::string_view>& uris, std::size_t first, std::vector<std::string>& out)
{
    for (std::size_t i = first; i < uris.size(); ++i) {
        if (uris[i].empty() || uris[i].front() == '#')
            continue;
        if (auto path = filePathFromUri(uris[i]))
            out.push_back(std::move(*path));
    }
}

bool hasPngSignature(const Bytes& bytes)
{
    return bytes.size() >= kPngSignature.size()
        && std::equal(kPngSignature.begin(), kPngSignature.end(), bytes.begin(),
                      [](char a, std::uint8_t b) { return static_cast<std::uint8_t>(a) == b; });
}

// PNG bytes as they are; anything else (a mislabelled file or target) goes through the codec, so that
// every image leaving detection really is PNG.
std::optional<Bytes> asPng(const Bytes& bytes, const ImageCodec& codec)
{
    if (bytes.empty())
        return std::nullopt;
    if (hasPngSignature(bytes))
        return bytes;
    return codec.toPng(bytes);
}

// The whole regular file, or nullopt when it cannot be read or is larger than maxImageFileBytes.
std::optional<Bytes> readImageFile(const std::filesystem::path& path)
{
    // Non-blocking so that a FIFO swapped in after the name was copied cannot hang the capture.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return std::nullopt;
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};

    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode))
        return std::nullopt;
    const auto tooLarge = [&](std::uintmax_t size) {
        logf("Imagen no leída por ser demasiado grande ({} bytes, máximo {}): {}", size, maxImageFileBytes,
             path.string());
        return std::nullopt;
    };
    if (info.st_size < 0 || static_cast<std::uintmax_t>(info.st_size) > maxImageFileBytes)
        return tooLarge(static_cast<std::uintmax_t>(info.st_size));

    Bytes bytes;
    bytes.reserve(static_cast<std::size_t>(info.st_size));
    std::uint8_t buffer[64 * 1024];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return std::nullopt;
        if (n == 0)
            break;
        bytes.insert(bytes.end(), buffer, buffer + n);
        // The file may have grown since fstat.
        if (bytes.size() > maxImageFileBytes)
            return tooLarge(bytes.size());
    }
    return bytes;
}

DetectedClip makeClip(ClipType type, std::optional<std::string> text, std::optional<Bytes> image, std::size_t size)
{
    DetectedClip clip;
    clip.type = type;
    clip.textContent = std::move(text);
    clip.imageData = std::move(image);
    clip.byteSize = static_cast<std::int64_t>(size);
    return clip;
}

} // namespace

bool isSensitive(const ClipboardSnapshot& snapshot)
{
    if (!snapshot.types)
        return false;
    for (auto marker : privacyMarkers)
        if (snapshot.hasType(marker))
            return true;
    if (snapshot.hasType(passwordManagerHint)) {
        const Bytes* hint = snapshot.data(passwordManagerHint);
        // Offered but not read: it may well say "secret", so keep out of the history.
        if (!hint)
            return true;
        const std::string text = toString(*hint);
        return trimAsciiSpaceAndNul(text) == "secret";
    }
    return false;
}

std::vector<std::string> targetsToRead(const std::vector<std::string>& offered)
{
    const auto find = [&](std::string_view name) -> const std::string* {
        for (const auto& t : offered)
            if (equalsIgnoringCase(t, name))
                return &t;
        return nullptr;
    };
    std::vector<std::string> wanted;
    const std::string* hint = find(passwordManagerHint);
    for (auto marker : privacyMarkers)
        if (find(marker))
            return hint ? std::vector<std::string>{*hint} : std::vector<std::string>{};
    if (hint)
        wanted.push_back(*hint);
    for (auto list : {kUriList, kGnomeCopiedFiles})
        if (const std::string* t = find(list))
            wanted.push_back(*t);
    if (const std::string* t = find(kPng))
        wanted.push_back(*t);
    else
        for (auto type : kOtherImageTypes)
            if (const std::string* other = find(type)) {
                wanted.push_back(*other);
                break;
            }
    for (auto type : kTextTypes)
        if (const std::string* t = find(type)) {
            wanted.push_back(*t);
            break;
        }
    return wanted;
}

std::optional<std::string> filePathFromUri(std::string_view uri)
{
    if (uri.size() < 7 || !equalsIgnoringCase(uri.substr(0, 7), "file://"))
        return std::nullopt;
    std::string_view rest = uri.substr(7);
    const std::size_t slash = rest.find('/');
    if (slash == std::string_view::npos)
        return std::nullopt;
    const std::string_view host = rest.substr(0, slash);
    if (!host.empty() && !equalsIgnoringCase(host, "localhost"))
        return std::nullopt;
    std::string_view encoded = rest.substr(slash);
    encoded = encoded.substr(0, encoded.find_first_of("?#"));

    std::string path;
    path.reserve(encoded.size());
    for (std::size_t i = 0; i < encoded.size(); ++i) {
        const char c = encoded[i];
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
            return std::nullopt;
        if (c != '%') {
            path += c;
            continue;
        }
        if (i + 2 >= encoded.size() || !isHexDigit(encoded[i + 1]) || !isHexDigit(encoded[i + 2]))
            return std::nullopt;
        const char decoded = static_cast<char>(hexValue(encoded[i + 1]) * 16 + hexValue(encoded[i + 2]));
        if (decoded == '\0')
            return std::nullopt;
        path += decoded;
        i += 2;
    }
    // The path is kept as text (shown, stored, hashed): a name that is not UTF-8 cannot be kept exactly.
    if (validUtf8(path) != path)
        return std::nullopt;
    return path;
}

std::vector<std::string> filePaths(const ClipboardSnapshot& snapshot)
{
    std::vector<std::string> paths;
    if (const Bytes* uriList = snapshot.data(kUriList)) {
        const std::string text = toString(*uriList);
        appendFilePaths(lines(text), 0, paths);
        if (!paths.empty())
            return paths;
    }
    if (const Bytes* copied = snapshot.data(kGnomeCopiedFiles)) {
        const std::string text = toString(*copied);
        const auto all = lines(text);
        if (!all.empty() && (all.front() == "copy" || all.front() == "cut"))
            appendFilePaths(all, 1, paths);
    }
    return paths;
}

std::optional<Bytes> imageData(const ClipboardSnapshot& from, const ImageCodec& codec)
{
    if (const Bytes* png = from.data(kPng))
        if (auto converted = asPng(*png, codec))
            return converted;
    for (auto type : kOtherImageTypes) {
        const Bytes* encoded = from.data(type);
        if (!encoded || encoded->empty())
            continue;
        if (auto converted = codec.toPng(*encoded))
            return converted;
    }
    return std::nullopt;
}

std::optional<Bytes> imagePNG(const std::filesystem::path& fromFile, const ImageCodec& codec)
{
    std::string ext = fromFile.extension().string();
    if (ext.empty())
        return std::nullopt;
    ext.erase(0, 1);
    std::transform(ext.begin(), ext.end(), ext.begin(), asciiLower);
    if (std::find(imageExts.begin(), imageExts.end(), ext) == imageExts.end())
        return std::nullopt;

    const auto bytes = readImageFile(fromFile);
    if (!bytes)
        return std::nullopt;
    // Only the "png" extension may skip decoding, and only when the bytes really are PNG.
    if (ext == "png" && hasPngSignature(*bytes))
        return bytes;
    if (bytes->empty())
        return std::nullopt;
    return codec.toPng(*bytes);
}

bool isLink(std::string_view s)
{
    // Counted before any parsing, and no further than needed.
    std::size_t characters = 0;
    for (std::size_t i = 0; i < s.size(); i += decodeUtf8At(s, i).length)
        if (++characters > linkLengthLimit)
            return false;
    if (s.find(' ') != std::string_view::npos || s.find('\n') != std::string_view::npos)
        return false;

    // scheme ":" "//" authority [path] ["?" query] ["#" fragment]
    const std::size_t colon = s.find(':');
    if (colon == std::string_view::npos || colon == 0 || !isAlpha(s.front()))
        return false;
    const std::string_view scheme = s.substr(0, colon);
    if (!std::all_of(scheme.begin(), scheme.end(),
                     [](char c) { return isAlpha(c) || isDigit(c) || c == '+' || c == '-' || c == '.'; }))
        return false;
    if (!equalsIgnoringCase(scheme, "http") && !equalsIgnoringCase(scheme, "https"))
        return false;
    std::string_view rest = s.substr(colon + 1);
    if (!rest.starts_with("//"))
        return false;
    rest.remove_prefix(2);

    const std::size_t authorityEnd = std::min(rest.find_first_of("/?#"), rest.size());
    std::string_view authority = rest.substr(0, authorityEnd);
    const std::string_view tail = rest.substr(authorityEnd);

    if (const std::size_t at = authority.find('@'); at != std::string_view::npos) {
        const std::string_view userinfo = authority.substr(0, at);
        if (!isValidUrlPart(userinfo, [](char c) { return isUnreserved(c) || isSubDelim(c) || c == ':'; }))
            return false;
        authority.remove_prefix(at + 1);
    }
    std::string_view host = authority;
    const std::size_t portColon = authority.rfind(':');
    if (portColon != std::string_view::npos && (authority.front() != '[' || portColon > authority.rfind(']'))) {
        const std::string_view port = authority.substr(portColon + 1);
        if (!std::all_of(port.begin(), port.end(), isDigit))
            return false;
        host = authority.substr(0, portColon);
    }
    if (!isValidHost(host))
        return false;

    const std::size_t fragmentStart = std::min(tail.find('#'), tail.size());
    const std::string_view beforeFragment = tail.substr(0, fragmentStart);
    const std::size_t queryStart = std::min(beforeFragment.find('?'), beforeFragment.size());
    const auto pchar = [](char c) { return isUnreserved(c) || isSubDelim(c) || c == ':' || c == '@'; };
    const auto pathChar = [&](char c) { return pchar(c) || c == '/'; };
    const auto queryChar = [&](char c) { return pchar(c) || c == '/' || c == '?'; };
    const std::string_view fragment = fragmentStart < tail.size() ? tail.substr(fragmentStart + 1) : "";
    const std::string_view query =
        queryStart < beforeFragment.size() ? beforeFragment.substr(queryStart + 1) : std::string_view{};
    return isValidUrlPart(beforeFragment.substr(0, queryStart), pathChar) && isValidUrlPart(query, queryChar)
        && isValidUrlPart(fragment, queryChar);
}

bool looksLikeCode(std::string_view s)
{
    if (s.find('\n') == std::string_view::npos)
        return false;
    for (auto keyword : kCodeKeywords)
        if (s.find(keyword) != std::string_view::npos)
            return true;
    // The symbols are ASCII, which never occurs inside a multi-byte sequence: bytes count as scalars.
    const auto symbols = std::count_if(s.begin(), s.end(),
                                       [](char c) { return kCodeSymbols.find(c) != std::string_view::npos; });
    return symbols > 3;
}

std::optional<DetectedClip> detect(const ClipboardSnapshot& snapshot, const ImageCodec& codec)
{
    if (const auto paths = filePaths(snapshot); !paths.empty()) {
        const std::string& path = paths.front();
        if (auto png = imagePNG(path, codec)) {
            const std::size_t size = png->size();
            return makeClip(ClipType::Image, path, std::move(png), size);
        }
        return makeClip(ClipType::File, path, std::nullopt, path.size());
    }

    if (auto image = imageData(snapshot, codec)) {
        const std::size_t size = image->size();
        return makeClip(ClipType::Image, std::nullopt, std::move(image), size);
    }

    const Bytes* raw = nullptr;
    for (auto type : kTextTypes)
        if ((raw = snapshot.data(type)))
            break;
    if (!raw)
        return std::nullopt;
    // Owners do send broken UTF-8; it is repaired (U+FFFD) so that everything downstream sees valid text.
    std::string s = validUtf8(std::string_view(reinterpret_cast<const char*>(raw->data()), raw->size()));
    const std::size_t size = s.size();
    const std::string_view trim = trimWhitespace(s);
    if (ColorParser::color(trim))
        return makeClip(ClipType::Color, std::string(trim), std::nullopt, size);
    if (isLink(trim))
        return makeClip(ClipType::Link, std::string(trim), std::nullopt, size);
    const ClipType type = looksLikeCode(s) ? ClipType::Code : ClipType::Text;
    return makeClip(type, std::move(s), std::nullopt, size);
}

} // namespace brisa::ClipboardTypeDetector
