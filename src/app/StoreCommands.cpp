// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/StoreCommands.h"

#include "core/capture/ClipRecorder.h"
#include "core/capture/ClipboardSnapshot.h"
#include "core/capture/ClipboardTypeDetector.h"
#include "core/capture/OcrService.h"
#include "core/capture/VipsImageCodec.h"
#include "core/image/ImageClipOperations.h"
#include "core/image/ImageProcessor.h"
#include "core/search/ClipFilters.h"
#include "core/settings/AppSettings.h"
#include "core/settings/UserDefaults.h"
#include "core/store/Storage.h"
#include "core/support/AtomicFile.h"
#include "core/support/Log.h"
#include "core/support/Utf8.h"

#include <nlohmann/json.hpp>

#include <ctime>
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

/// One line: the first 60 characters, line breaks shown as "⏎".
std::string preview(const ClipItem& c)
{
    std::string source = c.textContent ? *c.textContent : (c.ocrText ? *c.ocrText : std::string());
    if (source.empty() && c.imageFileName)
        source = "(imagen " + *c.imageFileName + ")";
    std::string out;
    std::size_t chars = 0;
    for (std::size_t i = 0; i < source.size() && chars < 60;) {
        const auto b = static_cast<unsigned char>(source[i]);
        std::size_t len = b < 0x80 ? 1 : b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : b >= 0xC0 ? 2 : 1;
        len = std::min(len, source.size() - i);
        if (source[i] == '\n')
            out += "⏎";
        else if (source[i] == '\r' || source[i] == '\t')
            out += ' ';
        else
            out.append(source, i, len);
        i += len;
        ++chars;
    }
    if (chars == 60 && out.size() < source.size())
        out += "…";
    return out;
}

void printList(const std::vector<const ClipItem*>& clips, const StoreCommand& cmd, std::ostream& out)
{
    if (cmd.json) {
        auto arr = nlohmann::json::array();
        for (const auto* c : clips)
            arr.push_back(toJson(*c));
        out << dumpJson(arr) << "\n";
        return;
    }
    for (const auto* c : clips)
        out << c->id.toString() << "  " << localTime(c->createdAt) << "  " << c->typeRaw
            << std::string(c->typeRaw.size() < 10 ? 10 - c->typeRaw.size() : 1, ' ') << (c->isPinned ? "★ " : "  ")
            << preview(*c) << "\n";
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
std::optional<ClipItem> resolve(Storage& storage, const std::string& text, std::ostream& err)
{
    if (auto id = Uuid::parse(text))
        if (auto c = storage.fetch(*id, false))
            return c;
    std::string prefix;
    for (char ch : text)
        prefix.push_back(static_cast<char>(std::toupper(static_cast<unsigned char>(ch))));
    std::optional<ClipItem> found;
    if (prefix.size() >= 4 && prefix.size() < 36) {
        for (auto& c : storage.fetchAll()) {
            if (!c.id.toString().starts_with(prefix))
                continue;
            if (found) {
                err << "brisa: el prefijo «" << text << "» coincide con varios clips\n";
                return std::nullopt;
            }
            found = std::move(c);
        }
    }
    if (!found)
        err << "brisa: no hay ningún clip con id «" << text << "»\n";
    return found;
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

/// The clip `add` stores, or an error message.
std::variant<DetectedClip, std::string> detectForAdd(const StoreCommand& cmd, std::istream& in)
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
        auto png = VipsImageCodec().toPng(toBytes(*bytes));
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
        if (auto d = ClipboardTypeDetector::detect(snapshot, VipsImageCodec()))
            return *d;
        return "no hay nada que guardar";
    }
    auto valid = validUtf8(*text);
    const auto byteSize = static_cast<std::int64_t>(valid.size());
    return DetectedClip{*forced, std::move(valid), std::nullopt, byteSize};
}

int add(Storage& storage, const Clock& clock, const StoreCommand& cmd, const StoreCommandContext& ctx)
{
    auto detected = detectForAdd(cmd, ctx.in);
    if (auto* message = std::get_if<std::string>(&detected)) {
        ctx.err << "brisa: " << *message << "\n";
        return StoreCommandExit::Usage;
    }
    auto clip = std::get<DetectedClip>(std::move(detected));
    std::optional<Bytes> image = clip.imageData;
    auto outcome = recordClip(storage, clock, prepareClip(std::move(clip)), std::nullopt, std::nullopt);
    if (outcome.kind == RecordOutcome::Kind::Failed) {
        ctx.err << "brisa: no se pudo guardar el clip (" << storage.storeFile().string() << ")\n";
        return StoreCommandExit::NotFound;
    }
    // There is no event loop to come back to: recognise the text here, then store it.
    if (outcome.kind == RecordOutcome::Kind::Inserted && image) {
        if (auto text = OcrService::recognize(*image)) {
            if (auto item = storage.fetch(outcome.item.id, false)) {
                item->ocrText = *text;
                storage.update(*item);
            }
        }
    }
    ctx.out << outcome.item.id.toString() << "\n";
    return StoreCommandExit::Ok;
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
    auto processed = processImage(operation, *source, full->sourceAppName);
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
    if (auto text = OcrService::recognize(data)) {
        inserted->ocrText = *text;
        storage.update(*inserted);
    }
    if (cmd.json)
        printItem(*inserted, storage, true, ctx.out);
    else
        ctx.out << inserted->id.toString() << "\n";
    return StoreCommandExit::Ok;
}

} // namespace

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

    int rc = StoreCommandExit::Ok;
    using K = StoreCommand::Kind;
    switch (cmd.kind) {
    case K::History: {
        auto clips = storage.fetchAll({.limit = cmd.limit});
        std::vector<const ClipItem*> list;
        for (const auto& c : clips)
            list.push_back(&c);
        printList(list, cmd, ctx.out);
        break;
    }
    case K::Search: {
        auto clips = storage.fetchAll();
        auto found = filtered(std::span<const ClipItem>(clips), std::nullopt, cmd.argument.value_or(""));
        if (cmd.limit && found.size() > *cmd.limit)
            found.resize(*cmd.limit);
        printList(found, cmd, ctx.out);
        break;
    }
    case K::Add:
    case K::Image: {
        UserDefaults defaults(ctx.defaultsFile, clock);
        AppSettings settings(defaults);
        storage.setHistoryLimit(settings.historyLimit());
        storage.setAutoDeleteDays(settings.autoDeleteDays());
        rc = cmd.kind == K::Add ? add(storage, clock, cmd, ctx) : imageCommand(storage, clock, cmd, ctx);
        break;
    }
    case K::Show:
    case K::Delete:
    case K::Pin:
    case K::Unpin: {
        auto item = resolve(storage, cmd.argument.value_or(""), ctx.err);
        if (!item) {
            rc = StoreCommandExit::NotFound;
            break;
        }
        if (cmd.kind == K::Show) {
            if (auto full = storage.fetch(item->id, false))
                printItem(*full, storage, cmd.json, ctx.out);
        } else if (cmd.kind == K::Delete) {
            if (!storage.deleteClip(*item)) {
                ctx.err << "brisa: no se pudo borrar el clip\n";
                rc = StoreCommandExit::NotFound;
            }
        } else {
            item->isPinned = cmd.kind == K::Pin;
            if (!storage.update(*item)) {
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
