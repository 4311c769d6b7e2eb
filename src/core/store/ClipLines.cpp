// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/store/ClipLines.h"

#include "core/capture/ContentHash.h"
#include "core/store/Storage.h"
#include "core/support/AtomicFile.h"
#include "core/support/Log.h"

#include <fmt/format.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <array>
#include <charconv>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <deque>
#include <istream>
#include <mutex>
#include <ostream>
#include <thread>

namespace brisa {
namespace {

namespace fs = std::filesystem;
using json = nlohmann::json;

constexpr std::string_view kAlphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr std::size_t kMaxProblems = 20;

/// The error of one line's field, carried out of the readers below.
struct FieldError {
    std::string message;
};

json* member(json& j, const char* key)
{
    const auto it = j.find(key);
    return it == j.end() || it->is_null() ? nullptr : &*it;
}

/// Moves the text out of the parsed line: a clip's text is most of its line, not worth a copy.
std::optional<std::string> optionalString(json& j, const char* key)
{
    json* v = member(j, key);
    if (!v)
        return std::nullopt;
    if (!v->is_string())
        throw FieldError{fmt::format("«{}» debe ser un texto", key)};
    return std::move(v->get_ref<std::string&>());
}

std::optional<Uuid> optionalUuid(json& j, const char* key)
{
    auto text = optionalString(j, key);
    if (!text)
        return std::nullopt;
    auto id = Uuid::parse(*text);
    if (!id)
        throw FieldError{fmt::format("«{}» no es un identificador válido: {}", key, *text)};
    return id;
}

std::optional<TimePoint> optionalTime(json& j, const char* key)
{
    const json* v = member(j, key);
    if (!v)
        return std::nullopt;
    if (!v->is_number() || !std::isfinite(v->get<double>()))
        throw FieldError{fmt::format("«{}» debe ser un número de segundos", key)};
    return fromUnixSeconds(v->get<double>());
}

std::optional<Bytes> optionalBase64(json& j, const char* key)
{
    auto text = optionalString(j, key);
    if (!text)
        return std::nullopt;
    auto bytes = base64Decode(*text);
    if (!bytes)
        throw FieldError{fmt::format("«{}» no es base64 válido", key)};
    return bytes;
}

/// A path inside the export's folder: relative, without "..", never empty.
bool isInsidePath(const std::string& text)
{
    if (text.empty() || text.find('\0') != std::string::npos)
        return false;
    const fs::path p(text);
    if (p.is_absolute())
        return false;
    for (const auto& part : p)
        if (part == "..")
            return false;
    return true;
}

template <typename T>
json optionalJson(const std::optional<T>& v)
{
    return v ? json(*v) : json(nullptr);
}

/// Our image names, as the store writes them: a UUID and ".png".
bool isStoreImageName(const std::string& name)
{
    return name.size() == 40 && name.ends_with(".png") && Uuid::parse(std::string_view(name).substr(0, 36));
}

} // namespace

std::string base64Encode(std::span<const std::uint8_t> bytes)
{
    std::string out;
    out.reserve((bytes.size() + 2) / 3 * 4);
    std::size_t i = 0;
    for (; i + 3 <= bytes.size(); i += 3) {
        const std::uint32_t v = (bytes[i] << 16) | (bytes[i + 1] << 8) | bytes[i + 2];
        out += kAlphabet[v >> 18];
        out += kAlphabet[(v >> 12) & 63];
        out += kAlphabet[(v >> 6) & 63];
        out += kAlphabet[v & 63];
    }
    if (const std::size_t rest = bytes.size() - i; rest > 0) {
        const std::uint32_t v = (bytes[i] << 16) | (rest == 2 ? bytes[i + 1] << 8 : 0);
        out += kAlphabet[v >> 18];
        out += kAlphabet[(v >> 12) & 63];
        out += rest == 2 ? kAlphabet[(v >> 6) & 63] : '=';
        out += '=';
    }
    return out;
}

std::optional<Bytes> base64Decode(std::string_view text)
{
    static const auto values = [] {
        std::array<std::int8_t, 256> t{};
        t.fill(-1);
        for (std::size_t i = 0; i < kAlphabet.size(); ++i)
            t[static_cast<unsigned char>(kAlphabet[i])] = static_cast<std::int8_t>(i);
        return t;
    }();
    if (text.size() % 4 != 0)
        return std::nullopt;
    Bytes out;
    out.reserve(text.size() / 4 * 3);
    for (std::size_t i = 0; i < text.size(); i += 4) {
        const bool last = i + 4 == text.size();
        int pad = 0;
        std::uint32_t v = 0;
        for (std::size_t k = 0; k < 4; ++k) {
            const char c = text[i + k];
            if (c == '=' && last && k >= 2) {
                ++pad;
                v <<= 6;
                continue;
            }
            const auto d = values[static_cast<unsigned char>(c)];
            if (d < 0 || pad > 0) // a digit after padding
                return std::nullopt;
            v = (v << 6) | static_cast<std::uint32_t>(d);
        }
        // Bits beyond the last byte must be zero: one text for each byte string.
        if ((pad == 2 && (v & 0xFFFF) != 0) || (pad == 1 && (v & 0xFF) != 0))
            return std::nullopt;
        out.push_back(static_cast<std::uint8_t>(v >> 16));
        if (pad < 2)
            out.push_back(static_cast<std::uint8_t>((v >> 8) & 0xFF));
        if (pad < 1)
            out.push_back(static_cast<std::uint8_t>(v & 0xFF));
    }
    return out;
}

std::string formatClipLine(const ClipLine& line)
{
    const ClipItem& c = line.item;
    auto uuid = [](const std::optional<Uuid>& u) { return u ? json(u->toString()) : json(nullptr); };
    nlohmann::ordered_json j{
        {"id", c.id.toString()},
        {"typeRaw", c.typeRaw},
        {"textContent", optionalJson(c.textContent)},
        {"imageFileName", optionalJson(c.imageFileName)},
        {"sourceAppBundleID", optionalJson(c.sourceAppBundleID)},
        {"sourceAppName", optionalJson(c.sourceAppName)},
        {"createdAt", toUnixSeconds(c.createdAt)},
        {"isPinned", c.isPinned},
        {"spaceID", uuid(c.spaceID)},
        {"contentHash", optionalJson(c.contentHash)},
        {"byteSize", c.byteSize},
        {"ocrText", optionalJson(c.ocrText)},
        {"batchID", uuid(c.batchID)},
        {"reminderDate", c.reminderDate ? json(toUnixSeconds(*c.reminderDate)) : json(nullptr)},
        {"thumbnailData", c.thumbnailData ? json(base64Encode(*c.thumbnailData)) : json(nullptr)},
    };
    if (line.imageData)
        j["imageData"] = base64Encode(*line.imageData);
    if (line.imageFile)
        j["imageFile"] = *line.imageFile;
    return j.dump(-1, ' ', false, json::error_handler_t::replace);
}

namespace {

/// The fields of a clip line, in the order `brisa export` writes them.
enum Field : std::size_t {
    kId, kTypeRaw, kTextContent, kImageFileName, kSourceAppBundleID, kSourceAppName, kCreatedAt, kIsPinned,
    kSpaceID, kContentHash, kByteSize, kOcrText, kBatchID, kReminderDate, kThumbnailData, kImageData,
    kImageFile, kFieldCount
};
constexpr std::array<std::string_view, kFieldCount> kFieldNames = {
    "id", "typeRaw", "textContent", "imageFileName", "sourceAppBundleID", "sourceAppName", "createdAt",
    "isPinned", "spaceID", "contentHash", "byteSize", "ocrText", "batchID", "reminderDate", "thumbnailData",
    "imageData", "imageFile"};

/// One value of a flat line; null values count as absent, as they do for the full parser.
struct FlatValue {
    enum class Kind { Absent, String, Integer, Real, Bool } kind = Kind::Absent;
    std::string text;
    std::int64_t integer = 0;
    double real = 0;
    bool flag = false;
};

/// Strict UTF-8 (no overlong forms, no surrogates, nothing past U+10FFFF), as JSON text must be.
bool isValidUtf8(std::string_view s)
{
    const auto* p = reinterpret_cast<const unsigned char*>(s.data());
    const auto* end = p + s.size();
    while (p < end) {
        const unsigned c = *p;
        if (c < 0x80) {
            ++p;
            continue;
        }
        int n;
        unsigned lo = 0x80, hi = 0xBF;
        if (c >= 0xC2 && c <= 0xDF)
            n = 1;
        else if (c >= 0xE0 && c <= 0xEF)
            n = 2, lo = c == 0xE0 ? 0xA0 : 0x80, hi = c == 0xED ? 0x9F : 0xBF;
        else if (c >= 0xF0 && c <= 0xF4)
            n = 3, lo = c == 0xF0 ? 0x90 : 0x80, hi = c == 0xF4 ? 0x8F : 0xBF;
        else
            return false;
        if (end - p <= n || p[1] < lo || p[1] > hi)
            return false;
        for (int k = 2; k <= n; ++k)
            if ((p[k] & 0xC0) != 0x80)
                return false;
        p += n + 1;
    }
    return true;
}

/// Reads the lines `brisa export` writes (one flat object of strings, numbers, booleans and
/// nulls) straight into their fields, without building a JSON tree first: that tree was most of
/// an import's parsing time. Anything it is not sure of (a \u escape, a nested value, a repeated
/// field, a value of the wrong type) makes it give up, and the full parser decides and words the
/// error, so both accept and refuse the same lines.
class FlatLineReader {
public:
    explicit FlatLineReader(std::string_view text) : s_(text) {}

    bool read(ClipLine& line)
    {
        if (!isValidUtf8(s_) || !readObject())
            return false;
        return fill(line);
    }

private:
    void skipSpace()
    {
        while (at_ < s_.size() && (s_[at_] == ' ' || s_[at_] == '\t' || s_[at_] == '\n' || s_[at_] == '\r'))
            ++at_;
    }
    bool take(char c)
    {
        skipSpace();
        if (at_ < s_.size() && s_[at_] == c) {
            ++at_;
            return true;
        }
        return false;
    }

    bool readString(std::string& out)
    {
        if (at_ >= s_.size() || s_[at_] != '"')
            return false;
        ++at_;
        while (at_ < s_.size()) {
            std::size_t run = at_;
            while (run < s_.size() && s_[run] != '"' && s_[run] != '\\' && static_cast<unsigned char>(s_[run]) >= 0x20)
                ++run;
            out.append(s_.data() + at_, run - at_);
            at_ = run;
            if (at_ >= s_.size() || static_cast<unsigned char>(s_[at_]) < 0x20)
                return false;
            if (s_[at_++] == '"')
                return true;
            if (at_ >= s_.size())
                return false;
            switch (s_[at_++]) {
            case '"': out += '"'; break;
            case '\\': out += '\\'; break;
            case '/': out += '/'; break;
            case 'b': out += '\b'; break;
            case 'f': out += '\f'; break;
            case 'n': out += '\n'; break;
            case 'r': out += '\r'; break;
            case 't': out += '\t'; break;
            default: return false; // \u and anything else: the full parser's business
            }
        }
        return false;
    }

    bool readNumber(FlatValue& v)
    {
        const std::size_t start = at_;
        auto digits = [&] {
            const std::size_t from = at_;
            while (at_ < s_.size() && s_[at_] >= '0' && s_[at_] <= '9')
                ++at_;
            return at_ - from;
        };
        if (at_ < s_.size() && s_[at_] == '-')
            ++at_;
        const std::size_t intStart = at_;
        const std::size_t intDigits = digits();
        if (intDigits == 0 || (intDigits > 1 && s_[intStart] == '0'))
            return false;
        bool integral = true;
        if (at_ < s_.size() && s_[at_] == '.') {
            ++at_;
            integral = false;
            if (digits() == 0)
                return false;
        }
        if (at_ < s_.size() && (s_[at_] == 'e' || s_[at_] == 'E')) {
            ++at_;
            integral = false;
            if (at_ < s_.size() && (s_[at_] == '+' || s_[at_] == '-'))
                ++at_;
            if (digits() == 0)
                return false;
        }
        const char* first = s_.data() + start;
        const char* last = s_.data() + at_;
        if (integral) {
            v.kind = FlatValue::Kind::Integer;
            const auto r = std::from_chars(first, last, v.integer);
            return r.ec == std::errc() && r.ptr == last;
        }
        v.kind = FlatValue::Kind::Real;
        const auto r = std::from_chars(first, last, v.real);
        return r.ec == std::errc() && r.ptr == last;
    }

    bool readWord(std::string_view word)
    {
        if (s_.substr(at_, word.size()) != word)
            return false;
        at_ += word.size();
        return true;
    }

    bool readValue(FlatValue& v)
    {
        skipSpace();
        if (at_ >= s_.size())
            return false;
        switch (s_[at_]) {
        case '"':
            v.kind = FlatValue::Kind::String;
            return readString(v.text);
        case 't':
            v.kind = FlatValue::Kind::Bool, v.flag = true;
            return readWord("true");
        case 'f':
            v.kind = FlatValue::Kind::Bool, v.flag = false;
            return readWord("false");
        case 'n':
            v.kind = FlatValue::Kind::Absent;
            return readWord("null");
        default:
            return readNumber(v);
        }
    }

    bool readObject()
    {
        if (!take('{'))
            return false;
        std::string key;
        FlatValue ignored;
        do {
            skipSpace();
            key.clear();
            if (!readString(key) || !take(':'))
                return false;
            const auto known = std::find(kFieldNames.begin(), kFieldNames.end(), key);
            if (known == kFieldNames.end()) {
                ignored = {};
                if (!readValue(ignored))
                    return false;
                continue;
            }
            const auto field = static_cast<std::size_t>(known - kFieldNames.begin());
            if (seen_[field])
                return false; // which one counts is the full parser's call
            seen_[field] = true;
            if (!readValue(values_[field]))
                return false;
        } while (take(','));
        if (!take('}'))
            return false;
        skipSpace();
        return at_ == s_.size();
    }

    FlatValue& value(Field f) { return values_[f]; }
    bool isAbsent(Field f) const { return values_[f].kind == FlatValue::Kind::Absent; }

    bool string(Field f, std::optional<std::string>& out)
    {
        if (isAbsent(f))
            return true;
        if (value(f).kind != FlatValue::Kind::String)
            return false;
        out = std::move(value(f).text);
        return true;
    }
    bool uuid(Field f, std::optional<Uuid>& out)
    {
        if (isAbsent(f))
            return true;
        if (value(f).kind != FlatValue::Kind::String)
            return false;
        out = Uuid::parse(value(f).text);
        return out.has_value();
    }
    bool time(Field f, std::optional<TimePoint>& out)
    {
        if (isAbsent(f))
            return true;
        const auto& v = value(f);
        if (v.kind != FlatValue::Kind::Integer && v.kind != FlatValue::Kind::Real)
            return false;
        const double seconds = v.kind == FlatValue::Kind::Integer ? static_cast<double>(v.integer) : v.real;
        if (!std::isfinite(seconds))
            return false;
        out = fromUnixSeconds(seconds);
        return true;
    }
    bool base64(Field f, std::optional<Bytes>& out)
    {
        if (isAbsent(f))
            return true;
        if (value(f).kind != FlatValue::Kind::String)
            return false;
        out = base64Decode(value(f).text);
        return out.has_value();
    }

    bool fill(ClipLine& line)
    {
        ClipItem& c = line.item;
        std::optional<Uuid> id;
        std::optional<std::string> type;
        std::optional<TimePoint> created;
        if (!uuid(kId, id) || !string(kTypeRaw, type) || !type || type->empty() || !time(kCreatedAt, created) ||
            !created)
            return false;
        c.id = id.value_or(Uuid::random());
        c.typeRaw = std::move(*type);
        c.createdAt = *created;
        if (!string(kTextContent, c.textContent) || !string(kImageFileName, c.imageFileName) ||
            !string(kSourceAppBundleID, c.sourceAppBundleID) || !string(kSourceAppName, c.sourceAppName))
            return false;
        if (!isAbsent(kIsPinned)) {
            if (value(kIsPinned).kind != FlatValue::Kind::Bool)
                return false;
            c.isPinned = value(kIsPinned).flag;
        }
        if (!uuid(kSpaceID, c.spaceID) || !string(kContentHash, c.contentHash))
            return false;
        if (!isAbsent(kByteSize)) {
            if (value(kByteSize).kind != FlatValue::Kind::Integer)
                return false;
            c.byteSize = value(kByteSize).integer;
        }
        return string(kOcrText, c.ocrText) && uuid(kBatchID, c.batchID) && time(kReminderDate, c.reminderDate) &&
               base64(kThumbnailData, c.thumbnailData) && base64(kImageData, line.imageData) &&
               string(kImageFile, line.imageFile) && (!line.imageFile || isInsidePath(*line.imageFile));
    }

    std::string_view s_;
    std::size_t at_ = 0;
    std::array<FlatValue, kFieldCount> values_{};
    std::array<bool, kFieldCount> seen_{};
};

} // namespace

std::variant<ClipLine, std::string> parseClipLine(std::string_view text)
{
    if (ClipLine line; FlatLineReader(text).read(line))
        return line;
    json j = json::parse(text, nullptr, false);
    if (j.is_discarded())
        return std::string("no es JSON válido");
    if (!j.is_object())
        return std::string("no es un objeto JSON");
    try {
        ClipLine line;
        ClipItem& c = line.item;
        c.id = optionalUuid(j, "id").value_or(Uuid::random());
        auto type = optionalString(j, "typeRaw");
        if (!type || type->empty())
            return std::string("falta «typeRaw»");
        c.typeRaw = std::move(*type);
        auto created = optionalTime(j, "createdAt");
        if (!created)
            return std::string("falta «createdAt»");
        c.createdAt = *created;
        c.textContent = optionalString(j, "textContent");
        c.imageFileName = optionalString(j, "imageFileName");
        c.sourceAppBundleID = optionalString(j, "sourceAppBundleID");
        c.sourceAppName = optionalString(j, "sourceAppName");
        if (const json* pinned = member(j, "isPinned")) {
            if (!pinned->is_boolean())
                return std::string("«isPinned» debe ser true o false");
            c.isPinned = pinned->get<bool>();
        }
        c.spaceID = optionalUuid(j, "spaceID");
        c.contentHash = optionalString(j, "contentHash");
        if (const json* size = member(j, "byteSize")) {
            if (!size->is_number_integer())
                return std::string("«byteSize» debe ser un número entero");
            c.byteSize = size->get<std::int64_t>();
        }
        c.ocrText = optionalString(j, "ocrText");
        c.batchID = optionalUuid(j, "batchID");
        c.reminderDate = optionalTime(j, "reminderDate");
        c.thumbnailData = optionalBase64(j, "thumbnailData");
        line.imageData = optionalBase64(j, "imageData");
        line.imageFile = optionalString(j, "imageFile");
        if (line.imageFile && !isInsidePath(*line.imageFile))
            return "«imageFile» debe ser una ruta dentro de la carpeta de la exportación: " + *line.imageFile;
        return line;
    } catch (const FieldError& e) {
        return e.message;
    }
}

ExportReport exportClipLines(Storage& storage, std::ostream& out, const ExportOptions& options)
{
    ExportReport report;
    if (options.imagesDir) {
        std::error_code ec;
        fs::create_directories(*options.imagesDir, ec);
        if (ec) {
            report.error = fmt::format("no se pudo crear {}: {}", options.imagesDir->string(), ec.message());
            return report;
        }
    }
    std::string text;
    storage.forEachOldestFirst(options.since, options.kinds, [&](const ClipItem& item) {
        ClipLine line{item, std::nullopt, std::nullopt};
        if (item.imageFileName) {
            if (auto bytes = readWholeFile(storage.imagesDir() / *item.imageFileName)) {
                ++report.images;
                if (options.imagesDir) {
                    const auto target = *options.imagesDir / *item.imageFileName;
                    if (auto error = writeFileAtomically(target, *bytes, 0600)) {
                        report.error = *error;
                        return false;
                    }
                    line.imageFile = target.lexically_relative(options.imagesBase).string();
                } else {
                    line.imageData = toBytes(*bytes);
                }
            } else {
                ++report.missingImages;
            }
        }
        text = formatClipLine(line);
        text += '\n';
        out.write(text.data(), static_cast<std::streamsize>(text.size()));
        if (!out) {
            report.error = "no se pudo escribir la exportación";
            return false;
        }
        ++report.clips;
        return true;
    });
    out.flush();
    if (!out && !report.error)
        report.error = "no se pudo escribir la exportación";
    return report;
}

namespace {

/// A clip read and checked on the reading thread, on its way to the storing one.
struct Incoming {
    std::size_t lineNumber = 0;
    ClipItem item;
    std::optional<Bytes> image;
    std::size_t bytes = 0;  ///< its line's length, counted against the batch's byte limit
    bool mayBeStored = false; ///< its hash's digest matches one of the store's from before the import
};

/// Clips handed from the reading thread to the storing one a chunk at a time. It holds a few
/// chunks, so reading runs ahead of storing by that much at most.
class ChunkQueue {
public:
    static constexpr std::size_t kChunk = 512;

    /// Blocks while full. False when the storing side has given up: stop reading.
    bool push(std::vector<Incoming>&& chunk)
    {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [&] { return chunks_.size() < kCapacity || abandoned_; });
        if (abandoned_)
            return false;
        chunks_.push_back(std::move(chunk));
        changed_.notify_all();
        return true;
    }
    /// Waits for the next chunk, for at most patience when given; nullopt when none came in time
    /// or once closed and drained (finished() tells which).
    std::optional<std::vector<Incoming>> pop(std::optional<std::chrono::milliseconds> patience = std::nullopt)
    {
        std::unique_lock lock(mutex_);
        const auto ready = [&] { return !chunks_.empty() || closed_; };
        if (patience)
            changed_.wait_for(lock, *patience, ready);
        else
            changed_.wait(lock, ready);
        if (chunks_.empty())
            return std::nullopt;
        auto chunk = std::move(chunks_.front());
        chunks_.pop_front();
        changed_.notify_all();
        return chunk;
    }
    /// Closed, and every chunk taken.
    bool finished()
    {
        std::lock_guard lock(mutex_);
        return closed_ && chunks_.empty();
    }
    /// The reading side: nothing more comes.
    void close()
    {
        std::lock_guard lock(mutex_);
        closed_ = true;
        changed_.notify_all();
    }
    /// The storing side: nothing more is wanted.
    void abandon()
    {
        std::lock_guard lock(mutex_);
        abandoned_ = true;
        chunks_.clear();
        changed_.notify_all();
    }

private:
    static constexpr std::size_t kCapacity = 8;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<std::vector<Incoming>> chunks_;
    bool closed_ = false;
    bool abandoned_ = false;
};

/// The storing side of an import: writes each clip's image, then its record, in transactions of
/// up to batchSize clips (or batchBytes of lines), each followed by the retention rules.
class ImportWriter {
public:
    /// How long the reading side may keep the storing one waiting before what it holds is
    /// committed. Not at once: on a busy machine the reading thread is often held up for a moment,
    /// and a commit each time would write the indexes' pages again and again.
    static constexpr std::chrono::milliseconds kPatience{100};

    ImportWriter(Storage& storage, const ImportOptions& options, std::int64_t before, bool checkInBatch)
        : storage_(storage), options_(options), before_(before),
          checkInBatch_(checkInBatch ? std::optional(before) : std::nullopt)
    {
    }

    /// Stores the queue's clips until it closes, or until a batch fails: then none of that batch
    /// stays and the queue is abandoned.
    void run(ChunkQueue& queue)
    {
        const std::size_t batchSize = std::max<std::size_t>(options_.batchSize, 1);
        std::vector<ClipItem> items;
        for (;;) {
            auto chunk = queue.pop(kPatience);
            if (!chunk) {
                if (queue.finished())
                    break;
                // Input that keeps us waiting (a slow pipe, a terminal) must not keep the store
                // locked meanwhile: the running app could not store a copy.
                if (!commit())
                    return fail(queue);
                chunk = queue.pop();
                if (!chunk)
                    break;
            }
            for (auto& in : *chunk) {
                auto wrote = prepare(in);
                if (!wrote)
                    continue;
                if (!transaction_ && !transaction_.emplace(storage_).ok()) {
                    if (*wrote)
                        storage_.deleteImage(**wrote);
                    return fail(queue);
                }
                bytes_ += in.bytes;
                items.push_back(std::move(in.item));
                written_.push_back(std::move(*wrote));
                if (written_.size() >= batchSize || bytes_ >= options_.batchBytes) {
                    if (!add(items) || !commit())
                        return fail(queue);
                }
            }
            if (!add(items))
                return fail(queue);
        }
        if (!commit())
            fail(queue);
    }

    /// What was stored so far.
    ImportProgress stored() const
    {
        std::lock_guard lock(mutex_);
        return stored_;
    }
    bool failed() const { return failed_; }
    /// Clips refused while storing, with their line numbers.
    const std::vector<std::pair<std::size_t, std::string>>& problems() const { return problems_; }
    /// Gives up: what the open transaction held is dropped, the queue abandoned.
    void abandon(ChunkQueue& queue) { fail(queue); }

private:
    /// Whether the clip goes into the store, and the image file written for it: nullopt when it is
    /// a duplicate or its image could not be written.
    std::optional<std::optional<std::string>> prepare(Incoming& in)
    {
        ClipItem& item = in.item;
        if (in.mayBeStored && storage_.hasContentUpTo(*item.contentHash, before_).value_or(false)) {
            ++duplicates_;
            return std::nullopt;
        }
        if (!in.image)
            return std::optional<std::string>();
        // The exported name when it is one of ours and free here, so that a round trip keeps it;
        // a fresh one otherwise.
        std::error_code ec;
        std::string name = item.imageFileName && isStoreImageName(*item.imageFileName) &&
                                   !fs::exists(storage_.imagesDir() / *item.imageFileName, ec)
                               ? *item.imageFileName
                               : storage_.newImageFileName();
        if (!storage_.writeImage(name, *in.image)) {
            ++refused_;
            problems_.emplace_back(in.lineNumber, "no se pudo guardar su imagen");
            return std::nullopt;
        }
        item.imageFileName = name;
        return std::optional(std::move(name));
    }

    bool add(std::vector<ClipItem>& items)
    {
        if (items.empty())
            return true;
        const bool ok = transaction_->add(items, checkInBatch_);
        items.clear();
        return ok;
    }

    bool commit()
    {
        Storage::BatchOutcome outcome;
        outcome.ok = true;
        if (transaction_) {
            outcome = transaction_->commit();
            transaction_.reset();
            if (!outcome.ok)
                return false;
        }
        for (auto at : outcome.skippedAt)
            if (written_[at])
                storage_.deleteImage(*written_[at]);
        written_.clear();
        bytes_ = 0;
        count(outcome);
        return true;
    }

    void fail(ChunkQueue& queue)
    {
        transaction_.reset(); // rolls back
        for (const auto& name : written_)
            if (name)
                storage_.deleteImage(*name);
        written_.clear();
        count({});
        failed_ = true;
        queue.abandon();
    }

    void count(const Storage::BatchOutcome& outcome)
    {
        std::lock_guard lock(mutex_);
        stored_.imported += outcome.inserted;
        stored_.duplicates += duplicates_ + outcome.skipped;
        stored_.refused += refused_;
        duplicates_ = refused_ = 0;
    }

    Storage& storage_;
    const ImportOptions& options_;
    std::int64_t before_;
    std::optional<std::int64_t> checkInBatch_;
    std::optional<Storage::BatchTransaction> transaction_;
    std::vector<std::optional<std::string>> written_; ///< image files, by position in the transaction
    std::size_t bytes_ = 0;
    std::size_t duplicates_ = 0; ///< of the open transaction, counted once it commits
    std::size_t refused_ = 0;
    std::vector<std::pair<std::size_t, std::string>> problems_;
    bool failed_ = false;
    mutable std::mutex mutex_;
    ImportProgress stored_;
};

} // namespace
ImportReport importClipLines(Storage& storage, std::istream& in, const ImportOptions& options)
{
    ImportReport report;
    Storage::BulkWriteScope bulk(storage);
    // The store as it was before: its clips count as duplicates, the ones this import brings do not.
    const std::int64_t before = storage.lastRowId();
    // Their hashes' digests in memory when they can be read (one pass over an index), else a query
    // per clip inside the batch.
    const auto storedDigests = storage.contentDigestsUpTo(before);

    // Reading and parsing the lines runs here, storing them on a thread of its own: on a machine
    // with two cores the two overlap. The storing thread has the Storage to itself until the end;
    // this one touches only the input.
    ChunkQueue queue;
    ImportWriter writer(storage, options, before, !storedDigests);
    std::thread storing([&] {
        try {
            writer.run(queue);
        } catch (const std::exception& e) {
            logf(LogCategory::Store, "No se pudo guardar un lote de clips: {}", e.what());
            writer.abandon(queue);
        }
    });
    // However this thread leaves (an exception included), the storing one ends first.
    struct Finish {
        ChunkQueue& queue;
        std::thread& thread;
        ~Finish()
        {
            queue.close();
            if (thread.joinable())
                thread.join();
        }
    } finish{queue, storing};

    std::vector<std::pair<std::size_t, std::string>> problems;
    auto refuse = [&](std::size_t lineNumber, std::string why) {
        ++report.refused;
        problems.emplace_back(lineNumber, std::move(why));
    };
    constexpr std::size_t kProgressLines = 10000;
    std::size_t progressAt = kProgressLines;
    auto progress = [&] {
        if (!options.onProgress)
            return;
        ImportProgress p = writer.stored();
        p.lines = report.lines;
        p.refused += report.refused;
        options.onProgress(p);
    };

    std::vector<Incoming> chunk;
    chunk.reserve(ChunkQueue::kChunk);
    bool storingOk = true;
    auto hand = [&] {
        if (chunk.empty())
            return true;
        storingOk = queue.push(std::move(chunk));
        chunk = {};
        chunk.reserve(ChunkQueue::kChunk);
        return storingOk;
    };

    std::string text;
    std::size_t lineNumber = 0;
    for (;;) {
        // What was read goes to the storing side before a read that may wait: from a pipe whose
        // writer pauses, the clips read so far are stored meanwhile, not held back here.
        if (!chunk.empty() && in.rdbuf() && in.rdbuf()->in_avail() <= 0 && !hand())
            break;
        if (!std::getline(in, text))
            break;
        ++lineNumber;
        if (!text.empty() && text.back() == '\r')
            text.pop_back();
        if (text.find_first_not_of(" \t") == std::string::npos)
            continue;
        if (options.stopRequested && options.stopRequested()) {
            report.stopped = true;
            break;
        }
        ++report.lines;
        auto parsed = parseClipLine(text);
        if (auto* why = std::get_if<std::string>(&parsed)) {
            refuse(lineNumber, std::move(*why));
            continue;
        }
        auto& line = std::get<ClipLine>(parsed);
        Incoming next{.lineNumber = lineNumber, .item = std::move(line.item), .image = std::move(line.imageData),
                      .bytes = text.size()};
        ClipItem& item = next.item;
        if (!next.image && line.imageFile) {
            auto bytes = readWholeFile(options.imagesBase / *line.imageFile);
            if (!bytes) {
                refuse(lineNumber, "no se puede leer la imagen " + *line.imageFile);
                continue;
            }
            next.image = toBytes(*bytes);
        }
        if (!item.contentHash)
            item.contentHash = contentHash(DetectedClip{item.type(), item.textContent, next.image, item.byteSize});
        next.mayBeStored = storedDigests && std::binary_search(storedDigests->begin(), storedDigests->end(),
                                                               Storage::contentDigest(*item.contentHash));
        if (!next.image && item.imageFileName) {
            // Its image did not come with it: a record naming a file that is not here would be a
            // card without a picture that no start ever cleans up.
            item.imageFileName.reset();
            ++report.missingImages;
        }
        chunk.push_back(std::move(next));
        if (chunk.size() >= ChunkQueue::kChunk && !hand())
            break;
        if (report.lines >= progressAt) {
            progressAt += kProgressLines;
            progress();
        }
    }
    // A stop that came while waiting for input (a pipe) ended the read: still a stop.
    if (storingOk && !report.stopped && options.stopRequested && options.stopRequested())
        report.stopped = true;
    if (storingOk)
        hand();
    queue.close();
    storing.join();

    report.storeFailed = writer.failed();
    const auto stored = writer.stored();
    report.imported = stored.imported;
    report.duplicates += stored.duplicates;
    report.refused += stored.refused;
    problems.insert(problems.end(), writer.problems().begin(), writer.problems().end());
    std::sort(problems.begin(), problems.end());
    for (std::size_t i = 0; i < problems.size() && i < kMaxProblems; ++i)
        report.problems.push_back(fmt::format("línea {}: {}", problems[i].first, problems[i].second));
    if (options.onProgress)
        options.onProgress(report);
    return report;
}

} // namespace brisa
