// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/paste/PasteService.h"

#include "core/image/ImageFileFormat.h"
#include "core/image/ImageLibrary.h"
#include "core/paste/TerminalClasses.h"
#include "core/support/Log.h"

#include <fstream>
#include <utility>

namespace brisa {
namespace {

/// A stored name is one plain file name inside the images folder, never a way out of it.
bool safeImageName(const std::string& name)
{
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos &&
           name.find('\0') == std::string::npos;
}

std::optional<Bytes> readWhole(const std::filesystem::path& path)
{
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec))
        return std::nullopt;
    const auto size = std::filesystem::file_size(path, ec);
    if (ec)
        return std::nullopt;
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    // One read of the known size: a screenshot is megabytes, too many for a byte-wise copy.
    Bytes bytes(static_cast<std::size_t>(size));
    in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (static_cast<std::uintmax_t>(in.gcount()) != size)
        return std::nullopt; // changed under us while reading
    return bytes;
}

/// An image in its own format, plus PNG for the many programs that take no other (and no HEIC
/// reader is common on Linux). Converting a 4K picture takes a good part of a second.
PasteTargets imageTargets(std::string mime, Bytes bytes, const ImageLibrary& images)
{
    if (mime == "image/png")
        return PasteTargets{{std::move(mime), std::move(bytes)}};
    auto png = images.convert(bytes, ImageFileFormat::Png);
    PasteTargets targets{{std::move(mime), std::move(bytes)}};
    if (png)
        targets.emplace_back("image/png", std::move(*png));
    return targets;
}

} // namespace

PasteService::PasteService(Desktop desktop, Scheduler& scheduler, std::filesystem::path imagesDir,
                           const ImageLibrary& images)
    : terminalClasses(defaultTerminalClasses())
    , desktop_(desktop)
    , scheduler_(scheduler)
    , imagesDir_(std::move(imagesDir))
    , images_(images)
{
}

PasteService::~PasteService() { waitForRenditions(); }

void PasteService::waitForRenditions()
{
    for (auto& r : renditions_)
        r.thread.join();
    renditions_.clear();
}

void PasteService::startRendition(std::string mime, Bytes bytes)
{
    std::erase_if(renditions_, [](Rendition& r) {
        if (!r.done->load())
            return false;
        r.thread.join();
        return true;
    });
    const auto write = ++writes_;
    pendingWrite_ = write;
    auto done = std::make_shared<std::atomic<bool>>(false);
    // The PNG rendition must not freeze the panel.
    std::thread thread([this, write, mime = std::move(mime), bytes = std::move(bytes), done,
                        alive = std::weak_ptr<char>(alive_), &scheduler = scheduler_, &images = images_]() mutable {
        auto targets = imageTargets(std::move(mime), std::move(bytes), images);
        scheduler.post([this, write, alive, targets = std::move(targets)]() mutable {
            if (alive.lock())
                finishRendition(write, std::move(targets));
        });
        done->store(true);
    });
    renditions_.push_back({std::move(thread), std::move(done)});
}

void PasteService::finishRendition(std::uint64_t write, PasteTargets targets)
{
    if (write != pendingWrite_)
        return; // something else was written since
    writeTargets(std::move(targets));
    if (chordWaitsFor_ == write) {
        chordWaitsFor_ = 0;
        typeChord(std::exchange(waitingHooks_, {}));
    }
}

std::optional<PasteTargets> PasteService::targetsFor(const ClipItem& item, const std::filesystem::path& imagesDir,
                                                    const ImageLibrary& images)
{
    switch (item.type()) {
    case ClipType::Image:
    case ClipType::Screenshot: {
        if (!item.imageFileName || !safeImageName(*item.imageFileName))
            return std::nullopt;
        auto bytes = readWhole(imagesDir / *item.imageFileName);
        if (!bytes)
            return std::nullopt;
        return imageTargets(std::string(imageMimeTypeForFile(*item.imageFileName)), std::move(*bytes), images);
    }
    case ClipType::File:
        if (!item.textContent)
            return std::nullopt;
        return fileTargets(*item.textContent);
    case ClipType::Text:
    case ClipType::Code:
    case ClipType::Link:
    case ClipType::Color:
        break;
    }
    if (!item.textContent)
        return std::nullopt;
    return textTargets(*item.textContent);
}

bool PasteService::writeTargets(PasteTargets targets)
{
    ++writes_;
    pendingWrite_ = 0;
    if (capture)
        capture->skipNextChange(true);
    if (desktop_.clipboard && desktop_.clipboard->write(std::move(targets)))
        return true;
    // No change will come to consume the flag: left set, it would swallow the user's next copy.
    if (capture)
        capture->skipNextChange(false);
    logLine("No se pudo escribir en el portapapeles");
    return false;
}

bool PasteService::writeToPasteboard(const ClipItem& item)
{
    if (item.type() == ClipType::Image || item.type() == ClipType::Screenshot) {
        if (item.imageFileName && safeImageName(*item.imageFileName)) {
            const std::string mime(imageMimeTypeForFile(*item.imageFileName));
            if (mime != "image/png")
                if (auto bytes = readWhole(imagesDir_ / *item.imageFileName)) {
                    startRendition(mime, std::move(*bytes));
                    return true;
                }
        }
    }
    auto targets = targetsFor(item, imagesDir_, images_);
    if (!targets) {
        writeTargets({}); // the clipboard stays cleared, as a paste of nothing should leave it
        return false;
    }
    return writeTargets(std::move(*targets));
}

void PasteService::pasteFromPasteboard() { pasteFromPasteboard(ChordHooks{}); }

void PasteService::pasteFromPasteboard(ChordHooks hooks)
{
    if (origin) {
        origin->releaseAndCollapse();
        origin->restorePreviousWindow();
    }
    const KeyAccess access = keyAccess();
    if (access != KeyAccess::Granted) {
        logLine(access == KeyAccess::Wayland ? "Pegado automático no disponible (sesión Wayland)"
                                             : "Pegado automático no disponible (sin XTest)");
        if (prompt && prompt->ask(missingPermissionAlert(access)) == 0)
            prompt->openSettings();
        if (hooks.after)
            hooks.after(false);
        return;
    }
    scheduler_.runAfter(kPasteDelay, [this, alive = std::weak_ptr<char>(alive_), hooks = std::move(hooks)]() mutable {
        if (!alive.lock())
            return;
        if (pendingWrite_) {
            chordWaitsFor_ = pendingWrite_; // typed once that write is on the clipboard
            waitingHooks_ = std::move(hooks);
            return;
        }
        typeChord(std::move(hooks));
    });
}

void PasteService::typeChord(ChordHooks hooks)
{
    const bool go = !hooks.before || hooks.before();
    const bool typed = go && typeChord();
    if (hooks.after)
        hooks.after(typed);
}

bool PasteService::typeChord()
{
    // Asked now, not at the request: the keys go to whichever window has the focus when they are typed.
    const auto windowClass = desktop_.windows ? desktop_.windows->activeWindowClass() : std::nullopt;
    const PasteChord chord = windowClass ? pasteChordFor(*windowClass, terminalClasses) : PasteChord::ControlV;
    // Shift+Insert pastes the mouse selection, so the clip has to be there as well.
    if (chord == PasteChord::ShiftInsert && !mirrorToPrimary())
        logLine("No se pudo poner el clip en la selección del ratón");
    if (!desktop_.keys || !desktop_.keys->sendPaste(chord)) {
        logLine("No se pudo enviar la pulsación de pegar");
        return false;
    }
    return true;
}

KeyAccess PasteService::keyAccess() const
{
    if (desktop_.keys && desktop_.keys->available())
        return KeyAccess::Granted;
    return waylandSession ? KeyAccess::Wayland : KeyAccess::MissingXTest;
}

bool PasteService::mirrorToPrimary()
{
    // Brisa's own content on the mouse selection is not a new selection to record.
    if (selectionCapture)
        selectionCapture->skipNextChange(true);
    const bool mirrored = desktop_.clipboard && desktop_.clipboard->mirrorToPrimary();
    if (!mirrored && selectionCapture)
        selectionCapture->skipNextChange(false);
    return mirrored;
}

void PasteService::paste(const ClipItem& item)
{
    writeToPasteboard(item);
    pasteFromPasteboard();
}

} // namespace brisa
