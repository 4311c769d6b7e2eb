// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/StoreCommands.h"

#include "core/capture/ClipRecorder.h"
#include "core/capture/ClipboardSnapshot.h"
#include "core/capture/ClipboardTypeDetector.h"
#include "core/capture/ImageThumbnailer.h"
#include "core/clips/ClipLibrary.h"
#include "core/image/ImageClipOperations.h"
#include "core/image/ImageProcessor.h"
#include "core/remind/ReminderScheduler.h"
#include "core/settings/AppSettings.h"
#include "core/settings/UserDefaults.h"
#include "core/store/ClipLines.h"
#include "core/store/Storage.h"
#include "core/support/AtomicFile.h"
#include "core/support/LocalTime.h"
#include "core/support/Log.h"
#include "core/support/Utf8.h"

#include <fmt/format.h>
#include <nlohmann/json.hpp>

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>
#include <variant>

namespace brisa {
namespace {

constexpr std::size_t kMaxInputBytes = 50 * 1024 * 1024;

std::string localTime(TimePoint t)
{
    std::time_t tt = std::chrono::system_clock::to_time_t(t);
    std::tm tm{};
    localtime_r(&tt, &tm);
    char buf[32];
    std::strftime(buf, sizeof buf, "%Y-%m-%d %H:%M:%S", &tm);
    return buf;
}

template <typename T, typename F>
nlohmann::json optionalJson(const std::optional<T>& v, F convert)
{
    return v ? nlohmann::json(convert(*v)) : nlohmann::json(nullptr);
}

nlohmann::json toJson(const ClipItem& c)
{
    auto same = [](const auto& v) { return v; };
    auto uuid = [](const Uuid& u) { return u.toString(); };
    auto seconds = [](TimePoint t) { return toUnixSeconds(t); };
    return {
        {"id", c.id.toString()},
        {"typeRaw", c.typeRaw},
        {"textContent", optionalJson(c.textContent, same)},
        {"imageFileName", optionalJson(c.imageFileName, same)},
        {"sourceAppBundleID", optionalJson(c.sourceAppBundleID, same)},
        {"sourceAppName", optionalJson(c.sourceAppName, same)},
        {"createdAt", toUnixSeconds(c.createdAt)},
        {"isPinned", c.isPinned},
        {"spaceID", optionalJson(c.spaceID, uuid)},
        {"contentHash", optionalJson(c.contentHash, same)},
        {"byteSize", c.byteSize},
        {"ocrText", optionalJson(c.ocrText, same)},
        {"batchID", optionalJson(c.batchID, uuid)},
        {"reminderDate", optionalJson(c.reminderDate, seconds)},
    };
}

std::string dumpJson(const nlohmann::json& j)
{
    // Stored text is not guaranteed to be UTF-8; never let one bad clip break the listing.
    return j.dump(2, ' ', false, nlohmann::json::error_handler_t::replace);
}

/// One line of the plain listing, appended to out: id, local time, kind, a star when pinned and the
/// first 60 characters (line breaks shown as "⏎"). May run on several threads at once.
void appendLine(const ClipSummary& c, std::string& out)
{
    thread_local LocalTimeFormatter times;
    c.id.appendTo(out);
    out += "  ";
    times.append(out, c.createdAt);
    out += "  ";
    out += c.typeRaw;
    out.append(c.typeRaw.size() < 9 ? 10 - c.typeRaw.size() : 1, ' ');
    out += c.isPinned ? "★ " : "  ";
    const std::string_view source = c.textContent ? *c.textContent : c.ocrText ? *c.ocrText : std::string_view();
    if (source.empty() && c.imageFileName)
        appendTextPreview(out, fmt::format("(imagen {})", *c.imageFileName), 60, PreviewStyle::Line);
    else
        appendTextPreview(out, source, 60, PreviewStyle::Line);
    out += '\n';
}

void printList(const std::vector<ClipItem>& clips, const StoreCommand& cmd, std::ostream& out)
{
    if (cmd.json) {
        auto arr = nlohmann::json::array();
        for (const auto& c : clips)
            arr.push_back(toJson(c));
        out << dumpJson(arr) << "\n";
        return;
    }
    std::string lines;
    for (const auto& c : clips)
        appendLine(ClipSummary::of(c), lines);
    out << lines;
}

/// `brisa search`: tens of thousands of lines for a common word, read and formatted on every core.
int printSearch(ClipLibrary& library, const StoreCommand& cmd, const StoreCommandContext& ctx)
{
    const ClipFilter filter{.search = cmd.argument.value_or("")};
    if (cmd.json) {
        printList(library.all(filter, cmd.limit), cmd, ctx.out);
        return StoreCommandExit::Ok;
    }
    const auto lines = library.render(filter, cmd.limit, appendLine);
    if (!lines) {
        ctx.err << "brisa: no se pudo leer el historial (" << library.storage().storeFile().string() << ")\n";
        return StoreCommandExit::StoreUnavailable;
    }
    ctx.out << *lines;
    return StoreCommandExit::Ok;
}

void printItem(const ClipItem& c, const Storage& storage, bool json, std::ostream& out)
{
    if (json) {
        out << dumpJson(toJson(c)) << "\n";
        return;
    }
    out << "id: " << c.id.toString() << "\n"
        << "tipo: " << c.typeRaw << "\n"
        << "creado: " << localTime(c.createdAt) << "\n"
        << "favorito: " << (c.isPinned ? "sí" : "no") << "\n"
        << "tamaño: " << c.byteSize << " b\n";
    if (c.sourceAppName || c.sourceAppBundleID)
        out << "app: " << c.sourceAppName.value_or("?") << " (" << c.sourceAppBundleID.value_or("?") << ")\n";
    if (c.imageFileName)
        out << "imagen: " << (storage.imagesDir() / *c.imageFileName).string() << "\n";
    if (c.textContent)
        out << "texto:\n" << *c.textContent << "\n";
    if (c.ocrText)
        out << "texto reconocido:\n" << *c.ocrText << "\n";
}

/// The clip named by a full id or by a prefix of one that no other clip shares.
std::optional<ClipItem> resolve(ClipLibrary& library, const std::string& text, std::ostream& err)
{
    auto found = library.findByIdPrefix(text);
    switch (found.outcome) {
    case IdLookup::Outcome::Found: return std::move(found.clip);
    case IdLookup::Outcome::Ambiguous:
        err << "brisa: el prefijo «" << text << "» coincide con varios clips\n";
        return std::nullopt;
    case IdLookup::Outcome::NotFound: break;
    }
    err << "brisa: no hay ningún clip con id «" << text << "»\n";
    return std::nullopt;
}

std::optional<ClipItem> resolve(Storage& storage, const std::string& text, std::ostream& err)
{
    ClipLibrary library(storage);
    return resolve(library, text, err);
}

std::optional<std::string> readInput(std::istream& in)
{
    std::string s;
    char buf[65536];
    while (in.read(buf, sizeof buf) || in.gcount() > 0) {
        s.append(buf, static_cast<std::size_t>(in.gcount()));
        if (s.size() > kMaxInputBytes)
            return std::nullopt;
    }
    return s;
}

/// Hashed and with its thumbnail, made by images (loaded only when the clip is an image).
PreparedClip prepare(DetectedClip detected, const ImageLibrary& images)
{
    return prepareClip(std::move(detected), [&images](const Bytes& image) {
        return images.thumbnail(image, ImageThumbnailer::kStoredMaxDimension);
    });
}

/// The clip `add` stores, or an error message.
std::variant<DetectedClip, std::string> detectForAdd(const StoreCommand& cmd, std::istream& in,
                                                     const ImageLibrary& images)
{
    std::optional<ClipType> forced;
    if (cmd.type) {
        forced = clipTypeFromRaw(*cmd.type);
        if (!forced)
            return "tipo desconocido: " + *cmd.type + " (text, code, link, image, file, color, screenshot)";
    }
    if (cmd.imageFile) {
        if (forced && *forced != ClipType::Image && *forced != ClipType::Screenshot)
            return "--image guarda imágenes; --type " + *cmd.type + " no encaja";
        std::error_code ec;
        const auto size = std::filesystem::file_size(*cmd.imageFile, ec);
        if (ec)
            return "no se puede leer " + *cmd.imageFile + ": " + ec.message();
        if (size > kMaxInputBytes)
            return *cmd.imageFile + " supera el límite de 50 MB";
        auto bytes = readWholeFile(*cmd.imageFile);
        if (!bytes)
            return "no se puede leer " + *cmd.imageFile;
        auto png = images.toPng(toBytes(*bytes));
        if (!png)
            return *cmd.imageFile + " no es una imagen que Brisa pueda leer";
        const auto byteSize = static_cast<std::int64_t>(png->size());
        return DetectedClip{forced.value_or(ClipType::Image), std::nullopt, std::move(*png), byteSize};
    }
    if (forced && (*forced == ClipType::Image || *forced == ClipType::Screenshot))
        return "para guardar una imagen usa --image ARCHIVO";

    std::optional<std::string> text = cmd.argument;
    if (!text) {
        text = readInput(in);
        if (!text)
            return "la entrada supera el límite de 50 MB";
    }
    if (!forced) {
        ClipboardSnapshot snapshot;
        snapshot.types = std::vector<std::string>{"text/plain;charset=utf-8"};
        snapshot.contents["text/plain;charset=utf-8"] = toBytes(*text);
        if (auto d = ClipboardTypeDetector::detect(snapshot, images))
            return *d;
        return "no hay nada que guardar";
    }
    auto valid = validUtf8(*text);
    const auto byteSize = static_cast<std::int64_t>(valid.size());
    return DetectedClip{*forced, std::move(valid), std::nullopt, byteSize};
}

int add(Storage& storage, const Clock& clock, const StoreCommand& cmd, const StoreCommandContext& ctx)
{
    auto detected = detectForAdd(cmd, ctx.in, *ctx.images);
    if (auto* message = std::get_if<std::string>(&detected)) {
        ctx.err << "brisa: " << *message << "\n";
        return StoreCommandExit::Usage;
    }
    auto clip = std::get<DetectedClip>(std::move(detected));
    std::optional<Bytes> image = clip.imageData;
    auto outcome = recordClip(storage, clock, prepare(std::move(clip), *ctx.images), std::nullopt, std::nullopt);
    if (outcome.kind == RecordOutcome::Kind::Failed) {
        ctx.err << "brisa: no se pudo guardar el clip (" << storage.storeFile().string() << ")\n";
        return StoreCommandExit::NotFound;
    }
    // There is no event loop to come back to: recognise the text here, then store it.
    if (outcome.kind == RecordOutcome::Kind::Inserted && image) {
        if (auto text = ctx.images->recognize(*image))
            storage.setOcrText(outcome.item.id, *text);
    }
    ctx.out << outcome.item.id.toString() << "\n";
    return StoreCommandExit::Ok;
}

/// Clips read at a time from a stream, and stored in one transaction.
constexpr std::size_t kBatchSize = 20000;

/// `add --lines` / `add --null`: every piece of standard input is a clip of its own.
int addMany(Storage& storage, const Clock& clock, const StoreCommand& cmd, const StoreCommandContext& ctx)
{
    std::optional<ClipType> forced;
    if (cmd.type) {
        forced = clipTypeFromRaw(*cmd.type);
        if (!forced) {
            ctx.err << "brisa: tipo desconocido: " << *cmd.type << " (text, code, link, file, color)\n";
            return StoreCommandExit::Usage;
        }
        if (*forced == ClipType::Image || *forced == ClipType::Screenshot) {
            ctx.err << "brisa: para guardar una imagen usa --image ARCHIVO\n";
            return StoreCommandExit::Usage;
        }
    }
    // A large page cache and one journal copy-back at the end, as an import has.
    Storage::BulkWriteScope bulk(storage);
    std::vector<ClipItem> batch;
    batch.reserve(kBatchSize);
    std::vector<std::string> images; // written for this batch, removed again if it fails
    bool ok = true;
    auto flush = [&] {
        if (batch.empty())
            return;
        const auto outcome = storage.insertBatch(batch);
        if (!outcome.ok) {
            for (const auto& name : images)
                storage.deleteImage(name);
            ok = false;
        } else {
            for (const auto& item : batch)
                ctx.out << item.id.toString() << "\n";
        }
        batch.clear();
        images.clear();
    };
    std::string piece;
    std::size_t number = 0;
    while (ok && std::getline(ctx.in, piece, *cmd.separator)) {
        ++number;
        if (*cmd.separator == '\n' && !piece.empty() && piece.back() == '\r')
            piece.pop_back();
        if (piece.size() > kMaxInputBytes) {
            ctx.err << "brisa: el clip " << number << " supera el límite de 50 MB; no se guarda\n";
            continue;
        }
        if (trimWhitespace(piece).empty())
            continue; // a blank line between clips is not a clip
        std::optional<DetectedClip> detected;
        if (forced) {
            auto valid = validUtf8(piece);
            const auto size = static_cast<std::int64_t>(valid.size());
            detected = DetectedClip{*forced, std::move(valid), std::nullopt, size};
        } else {
            ClipboardSnapshot snapshot;
            snapshot.types = std::vector<std::string>{"text/plain;charset=utf-8"};
            snapshot.contents["text/plain;charset=utf-8"] = toBytes(piece);
            detected = ClipboardTypeDetector::detect(snapshot, *ctx.images);
        }
        if (!detected)
            continue;
        auto prepared = prepare(std::move(*detected), *ctx.images);
        std::optional<std::string> fileName;
        if (prepared.detected.imageData) { // a line naming an image file stores the image, as a copy of it would
            auto name = storage.newImageFileName();
            if (!storage.writeImage(name, *prepared.detected.imageData))
                continue;
            images.push_back(name);
            fileName = std::move(name);
        }
        const auto& d = prepared.detected;
        batch.push_back(makeClipItem({.type = d.type,
                                      .textContent = d.textContent,
                                      .imageFileName = fileName,
                                      .thumbnailData = std::move(prepared.thumbnail),
                                      .contentHash = prepared.hash,
                                      .byteSize = d.byteSize},
                                     clock));
        if (batch.size() >= kBatchSize)
            flush();
    }
    flush();
    if (!ok) {
        ctx.err << "brisa: no se pudieron guardar los clips (" << storage.storeFile().string() << ")\n";
        return StoreCommandExit::NotFound;
    }
    return StoreCommandExit::Ok;
}

/// --since: a local date, a local date and time, or an age counted back from now ("7d", "12h", "30m").
std::optional<TimePoint> parseSince(const std::string& text, TimePoint now)
{
    if (text.size() >= 2 && std::isdigit(static_cast<unsigned char>(text.front()))) {
        const char unit = text.back();
        const std::string digits = text.substr(0, text.size() - 1);
        if (digits.find_first_not_of("0123456789") == std::string::npos && digits.size() <= 6) {
            const long n = std::stol(digits);
            switch (unit) {
            case 'd': return now - std::chrono::hours(24 * n);
            case 'h': return now - std::chrono::hours(n);
            case 'm': return now - std::chrono::minutes(n);
            default: break;
            }
        }
    }
    std::tm tm{};
    int consumed = 0;
    if (std::sscanf(text.c_str(), "%4d-%2d-%2d%n", &tm.tm_year, &tm.tm_mon, &tm.tm_mday, &consumed) != 3)
        return std::nullopt;
    std::string rest = text.substr(static_cast<std::size_t>(consumed));
    if (!rest.empty()) {
        if (rest[0] != ' ' && rest[0] != 'T')
            return std::nullopt;
        int more = 0;
        tm.tm_sec = 0;
        if (std::sscanf(rest.c_str() + 1, "%2d:%2d%n", &tm.tm_hour, &tm.tm_min, &more) != 2)
            return std::nullopt;
        rest = rest.substr(1 + static_cast<std::size_t>(more));
        if (!rest.empty()) {
            int last = 0;
            if (std::sscanf(rest.c_str(), ":%2d%n", &tm.tm_sec, &last) != 1 ||
                static_cast<std::size_t>(last) != rest.size())
                return std::nullopt;
        }
    }
    if (tm.tm_mon < 1 || tm.tm_mon > 12 || tm.tm_mday < 1 || tm.tm_mday > 31 || tm.tm_hour > 23 || tm.tm_min > 59 ||
        tm.tm_sec > 60 || tm.tm_hour < 0 || tm.tm_min < 0 || tm.tm_sec < 0)
        return std::nullopt;
    tm.tm_year -= 1900;
    tm.tm_mon -= 1;
    tm.tm_isdst = -1;
    const std::time_t t = std::mktime(&tm);
    // A time point counts nanoseconds: beyond about 2262 it cannot hold the date.
    if (t == static_cast<std::time_t>(-1) || t > 9'000'000'000 || t < -9'000'000'000)
        return std::nullopt;
    return std::chrono::system_clock::from_time_t(t);
}

int exportClips(Storage& storage, const Clock& clock, const StoreCommand& cmd, const StoreCommandContext& ctx)
{
    ExportOptions options;
    for (const auto& kind : cmd.kinds) {
        if (!clipTypeFromRaw(kind)) {
            ctx.err << "brisa: tipo desconocido: " << kind << " (text, code, link, image, file, color, screenshot)\n";
            return StoreCommandExit::Usage;
        }
        options.kinds.push_back(kind);
    }
    if (cmd.since) {
        options.since = parseSince(*cmd.since, clock.now());
        if (!options.since) {
            ctx.err << "brisa: --since no entiende «" << *cmd.since
                    << "»: usa una fecha (2026-12-01, \"2026-12-01 09:30\") o una edad (7d, 12h, 30m)\n";
            return StoreCommandExit::Usage;
        }
    }
    const bool toFile = cmd.argument && *cmd.argument != "-";
    if (!toFile) {
        const auto report = exportClipLines(storage, ctx.out, options);
        if (report.error) {
            ctx.err << "brisa: " << *report.error << "\n";
            return StoreCommandExit::NotFound;
        }
        ctx.err << report.clips << " clips exportados\n";
        return StoreCommandExit::Ok;
    }

    // Written beside the target and renamed over it at the end: a stopped export leaves no half
    // file under the name, and the clips are private like the store they come from.
    const std::filesystem::path target = std::filesystem::absolute(*cmd.argument);
    auto partial = target;
    partial += ".partial";
    if (int fd = ::open(partial.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600); fd >= 0) {
        ::close(fd);
    } else {
        ctx.err << "brisa: no se puede escribir " << target.string() << ": " << std::strerror(errno) << "\n";
        return StoreCommandExit::NotFound;
    }
    if (cmd.imageFolder) {
        auto folder = target;
        folder += ".images";
        options.imagesDir = folder;
        options.imagesBase = target.parent_path();
    }
    std::ofstream file(partial, std::ios::binary | std::ios::trunc);
    auto report = exportClipLines(storage, file, options);
    file.close();
    if (!report.error && !file)
        report.error = "no se pudo escribir " + partial.string();
    std::error_code ec;
    if (!report.error)
        std::filesystem::rename(partial, target, ec);
    if (report.error || ec) {
        std::filesystem::remove(partial, ec);
        ctx.err << "brisa: " << report.error.value_or(ec.message()) << "\n";
        return StoreCommandExit::NotFound;
    }
    ctx.err << report.clips << " clips exportados a " << target.string();
    if (report.images > 0)
        ctx.err << " (" << report.images << " imágenes" << (cmd.imageFolder ? " en la carpeta .images" : "") << ")";
    ctx.err << "\n";
    if (report.missingImages > 0)
        ctx.err << "brisa: " << report.missingImages << " clips de imagen ya no tenían su archivo; van sin él\n";
    return StoreCommandExit::Ok;
}

volatile std::sig_atomic_t stopImport = 0;

/// The first signal asks the import to stop after storing what it read; a second one (the import
/// may be waiting on a terminal or a pipe) ends the process at once, which leaves whole batches too.
extern "C" void requestImportStop(int signal)
{
    if (stopImport) {
        std::signal(signal, SIG_DFL);
        std::raise(signal);
    }
    stopImport = 1;
}

int importClips(Storage& storage, const StoreCommand& cmd, const StoreCommandContext& ctx)
{
    const std::string& name = cmd.argument.value_or("-");
    std::ifstream file;
    std::istream* in = &ctx.in;
    ImportOptions options;
    options.imagesBase = std::filesystem::current_path();
    if (name != "-") {
        file.open(name, std::ios::binary);
        if (!file) {
            ctx.err << "brisa: no se puede leer " << name << ": " << std::strerror(errno) << "\n";
            return StoreCommandExit::NotFound;
        }
        in = &file;
        options.imagesBase = std::filesystem::absolute(name).parent_path();
    }
    options.onProgress = [&](const ImportProgress& p) {
        if (ctx.errIsTerminal)
            ctx.err << "\rImportando: " << p.lines << " líneas, " << p.imported << " clips nuevos, " << p.duplicates
                    << " ya estaban" << std::flush;
    };
    // Ctrl+C stores what was read so far and stops; SQLite would keep the store whole anyway,
    // but this way the batch in hand is not lost and the summary still shows.
    stopImport = 0;
    options.stopRequested = [] { return stopImport != 0; };
    struct sigaction stop {};
    stop.sa_handler = requestImportStop;
    sigemptyset(&stop.sa_mask);
    struct sigaction oldInt {}, oldTerm {};
    ::sigaction(SIGINT, &stop, &oldInt);
    ::sigaction(SIGTERM, &stop, &oldTerm);
    const auto report = importClipLines(storage, *in, options);
    ::sigaction(SIGINT, &oldInt, nullptr);
    ::sigaction(SIGTERM, &oldTerm, nullptr);
    if (ctx.errIsTerminal && report.lines > 0)
        ctx.err << "\n";

    for (const auto& problem : report.problems)
        ctx.err << "brisa: " << problem << "\n";
    if (report.refused > report.problems.size())
        ctx.err << "brisa: … y " << report.refused - report.problems.size() << " líneas rechazadas más\n";
    ctx.out << report.imported << " clips importados, " << report.duplicates << " ya estaban";
    if (report.refused > 0)
        ctx.out << ", " << report.refused << " líneas rechazadas";
    ctx.out << "\n";
    if (report.missingImages > 0)
        ctx.err << "brisa: " << report.missingImages << " clips de imagen llegaron sin su imagen\n";
    if (report.storeFailed) {
        ctx.err << "brisa: no se pudo guardar un lote (" << storage.storeFile().string()
                << "); lo anterior quedó guardado\n";
        return StoreCommandExit::NotFound;
    }
    if (report.stopped) {
        ctx.err << "brisa: importación interrumpida; lo leído hasta ahí quedó guardado\n";
        return StoreCommandExit::Incomplete;
    }
    return report.refused > 0 ? StoreCommandExit::Incomplete : StoreCommandExit::Ok;
}

/// image ID ...: the same operation the panel offers, run here and now, printing the new clip's id.
int imageCommand(Storage& storage, const Clock& clock, const StoreCommand& cmd, const StoreCommandContext& ctx)
{
    auto item = resolve(storage, cmd.argument.value_or(""), ctx.err);
    if (!item)
        return StoreCommandExit::NotFound;
    if (!ImageProcessor::isProcessable(*item)) {
        ctx.err << "brisa: el clip " << item->id.toString() << " no es una imagen ni una captura\n";
        return StoreCommandExit::NotFound;
    }
    auto full = storage.fetch(item->id, true);
    auto source = full ? imageSourceBytes(storage, *full) : std::nullopt;
    if (!source) {
        ctx.err << "brisa: el clip no tiene imagen ni miniatura\n";
        return StoreCommandExit::NotFound;
    }
    using Op = StoreCommand::ImageAction::Op;
    ImageOperation operation;
    switch (cmd.image->op) {
    case Op::Compress: operation.kind = ImageOperation::Kind::Compress; break;
    case Op::RemoveBackground: operation.kind = ImageOperation::Kind::RemoveBackground; break;
    case Op::Resize: operation.kind = ImageOperation::Kind::Resize; break;
    case Op::Convert: operation.kind = ImageOperation::Kind::Convert; break;
    }
    operation.scale = cmd.image->scale;
    operation.format = imageFileFormatFromRaw(cmd.image->format).value_or(ImageFileFormat::Png);
    auto processed = ctx.images->process(operation, *source, full->sourceAppName);
    if (!processed) {
        ctx.err << "brisa: la operación no dio ninguna imagen\n";
        return StoreCommandExit::NotFound;
    }
    const Bytes data = processed->data;
    auto inserted = insertImageClip(storage, clock, std::move(*processed));
    if (!inserted) {
        ctx.err << "brisa: no se pudo guardar el clip (" << storage.storeFile().string() << ")\n";
        return StoreCommandExit::NotFound;
    }
    // No event loop to come back to, as for add: recognise the text here.
    if (auto text = ctx.images->recognize(data)) {
        storage.setOcrText(inserted->id, *text);
        inserted->ocrText = *text;
    }
    if (cmd.json)
        printItem(*inserted, storage, true, ctx.out);
    else
        ctx.out << inserted->id.toString() << "\n";
    return StoreCommandExit::Ok;
}

} // namespace

/// remind: sets the clip's reminder to a time still to come, or clears it. The running Brisa
/// notices the change in the store and schedules it.
int remind(Storage& storage, const Clock& clock, const StoreCommand& cmd, const StoreCommandContext& ctx)
{
    std::optional<TimePoint> at;
    if (!cmd.clear) {
        at = parseSince(cmd.when.value_or(""), clock.now());
        // parseSince also takes ages ("7d"), which count back: only a date is a reminder time.
        const bool isDate = cmd.when && cmd.when->find('-') != std::string::npos;
        if (!at || !isDate) {
            ctx.err << "brisa: «remind» no entiende la fecha «" << cmd.when.value_or("")
                    << "» (use \"AAAA-MM-DD HH:MM\", hora local)\n";
            return StoreCommandExit::Usage;
        }
        // A reminder goes out on its minute: one whose minute has begun would never show.
        if (ReminderScheduler::dueMinute(*at) <= clock.now()) {
            ctx.err << "brisa: la fecha del recordatorio ya ha pasado: " << localTime(*at) << "\n";
            return StoreCommandExit::Usage;
        }
    }
    auto item = resolve(storage, cmd.argument.value_or(""), ctx.err);
    if (!item)
        return StoreCommandExit::NotFound;
    if (!storage.setReminder(item->id, at)) {
        ctx.err << "brisa: no se pudo cambiar el clip\n";
        return StoreCommandExit::NotFound;
    }
    return StoreCommandExit::Ok;
}

int runStoreCommand(const StoreCommand& cmd, const StoreCommandContext& ctx)
{
    // Routine log lines would clutter scripted output; they are shown only when something fails.
    std::vector<std::string> logged;
    setLogSink([&logged](std::string_view line) { logged.emplace_back(line); });
    struct RestoreSink {
        ~RestoreSink() { setLogSink({}); }
    } restore;
    auto showLog = [&] {
        for (const auto& line : logged)
            ctx.err << line << "\n";
    };

    SystemClock clock;
    auto opened = Storage::open(ctx.dataHome, clock);
    if (!opened.storage) {
        showLog();
        ctx.err << "brisa: " << opened.error << "\n";
        return StoreCommandExit::StoreUnavailable;
    }
    Storage& storage = *opened.storage;
    ClipLibrary library(storage);
    // A damaged store was moved aside: a script must hear it, though the command itself goes on.
    if (!opened.notice.empty())
        ctx.err << "brisa: " << opened.notice << "\n";

    int rc = StoreCommandExit::Ok;
    using K = StoreCommand::Kind;
    switch (cmd.kind) {
    case K::History: printList(storage.fetchAll({.limit = cmd.limit}), cmd, ctx.out); break;
    case K::Search:
        // Through the library's search: the searched fields only, never the whole history.
        rc = printSearch(library, cmd, ctx);
        break;
    case K::Add:
    case K::Import:
    case K::Image: {
        UserDefaults defaults(ctx.defaultsFile, clock);
        AppSettings settings(defaults);
        storage.setHistoryLimit(settings.historyLimit());
        storage.setAutoDeleteDays(settings.autoDeleteDays());
        if (cmd.kind == K::Import)
            rc = importClips(storage, cmd, ctx);
        else if (cmd.kind == K::Image)
            rc = imageCommand(storage, clock, cmd, ctx);
        else
            rc = cmd.separator ? addMany(storage, clock, cmd, ctx) : add(storage, clock, cmd, ctx);
        break;
    }
    case K::Clear: {
        const auto deleted = ClipLibrary(storage).clear(cmd.all);
        if (!deleted) {
            showLog();
            ctx.err << "brisa: no se pudo borrar el historial; no se ha borrado nada\n";
            rc = StoreCommandExit::NotFound;
            break;
        }
        ctx.out << *deleted << (*deleted == 1 ? " clip borrado" : " clips borrados");
        if (const auto kept = storage.count(); kept > 0 && !cmd.all)
            ctx.out << "; " << (kept == 1 ? "queda 1 fijado" : "quedan " + std::to_string(kept) + " fijados");
        ctx.out << "\n";
        break;
    }
    case K::Export: rc = exportClips(storage, clock, cmd, ctx); break;
    case K::Remind: rc = remind(storage, clock, cmd, ctx); break;
    case K::Show:
    case K::Delete:
    case K::Pin:
    case K::Unpin: {
        auto item = resolve(library, cmd.argument.value_or(""), ctx.err);
        if (!item) {
            rc = StoreCommandExit::NotFound;
            break;
        }
        if (cmd.kind == K::Show) {
            if (auto full = storage.fetch(item->id, false))
                printItem(*full, storage, cmd.json, ctx.out);
        } else if (cmd.kind == K::Delete) {
            if (!library.remove(item->id)) {
                ctx.err << "brisa: no se pudo borrar el clip\n";
                rc = StoreCommandExit::NotFound;
            }
        } else {
            if (!library.setPinned(item->id, cmd.kind == K::Pin)) {
                ctx.err << "brisa: no se pudo cambiar el clip\n";
                rc = StoreCommandExit::NotFound;
            }
        }
        break;
    }
    }
    return rc;
}

} // namespace brisa
