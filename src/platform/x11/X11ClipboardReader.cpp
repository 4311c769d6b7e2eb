// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/x11/X11ClipboardReader.h"

#include "core/support/Log.h"
#include "platform/ClipboardTargets.h"
#include "platform/x11/X11Display.h"

#include <X11/Xatom.h>
#include <X11/extensions/Xfixes.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <exception>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace brisa {

using x11::millisUntil;
using x11::sleepOn;
using x11::SteadyTime;
using x11::steadyNow;

namespace {

/// Property data as Xlib hands it out: format 16 as shorts, format 32 as longs, whatever their size.
Bytes propertyBytes(const unsigned char* data, int format, unsigned long items)
{
    Bytes out;
    if (!data)
        return out;
    if (format == 8) {
        out.assign(data, data + items);
    } else if (format == 16) {
        const auto* values = reinterpret_cast<const short*>(data);
        out.resize(items * 2);
        for (unsigned long i = 0; i < items; ++i) {
            const auto v = static_cast<std::uint16_t>(values[i]);
            std::memcpy(out.data() + i * 2, &v, 2);
        }
    } else if (format == 32) {
        const auto* values = reinterpret_cast<const long*>(data);
        out.resize(items * 4);
        for (unsigned long i = 0; i < items; ++i) {
            const auto v = static_cast<std::uint32_t>(values[i]);
            std::memcpy(out.data() + i * 4, &v, 4);
        }
    }
    return out;
}

/// Targets of the selection protocol itself, which carry no content (and MULTIPLE needs arguments).
bool isProtocolTarget(std::string_view name)
{
    static constexpr std::array<std::string_view, 7> names{"TARGETS", "TIMESTAMP", "MULTIPLE", "DELETE",
                                                           "INSERT_SELECTION", "INSERT_PROPERTY", "SAVE_TARGETS"};
    return std::find(names.begin(), names.end(), name) != names.end();
}

} // namespace

X11ClipboardReader::X11ClipboardReader(std::unique_ptr<X11Display> display, int xfixesEventBase, Scheduler& scheduler,
                                       const Options& options)
    : SelectionEndpoint(std::move(display), options.selection)
    , scheduler_(scheduler)
    , options_(options)
    , xfixesEventBase_(xfixesEventBase)
{
    // The endpoint hears every change of owner: one during a read ends it, so an owner that quits
    // before answering is noticed at once instead of after the timeout, and data of two owners
    // never mix in one snapshot.
    for (std::size_t i = 0; i < properties_.size(); ++i)
        properties_[i] = x_->atom("_BRISA_SELECTION_" + std::to_string(i));
    startThread([this] { run(); });
}

X11ClipboardReader::~X11ClipboardReader() { stopThread(); }

void X11ClipboardReader::enqueue(Chooser choose, ReadDone done)
{
    {
        std::lock_guard lock(mutex_);
        queue_.push_back({std::move(choose), std::move(done)});
    }
    wake_.wake();
}

void X11ClipboardReader::run()
{
    while (!stop_) {
        std::optional<Request> request;
        {
            std::lock_guard lock(mutex_);
            if (!queue_.empty()) {
                request = std::move(queue_.front());
                queue_.pop_front();
            }
        }
        if (!request) {
            // Idle: owner-change events still arrive here and are of no use between reads.
            discardPending();
            sleepOn(display_, wake_, -1);
            continue;
        }
        auto snapshot = readSafely(request->choose);
        if (stop_)
            break;
        scheduler_.post([done = std::move(request->done), snapshot = std::move(snapshot)]() mutable {
            if (done)
                done(std::move(snapshot));
        });
    }
}

std::optional<ClipboardSnapshot> X11ClipboardReader::readSafely(const Chooser& choose)
{
    try {
        return readOnce(choose);
    } catch (const std::exception& e) {
        // An exception escaping this thread would end the process.
        logf(LogCategory::X11, "Error leyendo el portapapeles: {}", e.what());
        return std::nullopt;
    }
}

std::optional<ClipboardSnapshot> X11ClipboardReader::readOnce(const Chooser& choose)
{
    discardPending();
    const Window owner = XGetSelectionOwner(display_, clipboard_);
    // Events queued so far predate the owner just learnt; only later ones mean a change during the read.
    discardPending();
    if (owner == None)
        return std::nullopt;
    const SteadyTime limit = steadyNow() + options_.transferLimit;

    Conversion list = convert(targets_, limit);
    if (list.outcome != Outcome::Ok || list.format != 32 || (list.type != XA_ATOM && list.type != targets_)) {
        if (list.outcome == Outcome::TimedOut)
            logLine(LogCategory::X11, "El dueño del portapapeles no respondió a tiempo (TARGETS)");
        else if (list.outcome == Outcome::OwnerChanged)
            logLine(LogCategory::X11, "El portapapeles cambió de dueño durante la lectura");
        else if (list.outcome != Outcome::Stopped && list.outcome != Outcome::Refused)
            logLine(LogCategory::X11, "Respuesta no válida del dueño del portapapeles (TARGETS)");
        return std::nullopt;
    }

    std::vector<Atom> atoms;
    for (std::size_t i = 0; i + 4 <= list.bytes.size() && atoms.size() < kMaxClipboardTargets; i += 4) {
        std::uint32_t value = 0;
        std::memcpy(&value, list.bytes.data() + i, 4);
        if (value != None && std::find(atoms.begin(), atoms.end(), value) == atoms.end())
            atoms.push_back(value);
    }
    const std::vector<std::string> names = x_->atomNames(atoms);
    std::map<std::string, Atom> byName;
    ClipboardSnapshot snapshot;
    snapshot.types.emplace();
    for (std::size_t i = 0; i < atoms.size(); ++i) {
        if (names[i].empty())
            continue; // an atom the server does not know: garbage from the owner
        snapshot.types->push_back(names[i]);
        byName.emplace(names[i], atoms[i]);
    }

    for (const std::string& name : choose ? choose(*snapshot.types) : std::vector<std::string>{}) {
        const auto offered = byName.find(name);
        if (offered == byName.end() || snapshot.contents.count(name) || isProtocolTarget(name))
            continue;
        Conversion data = convert(offered->second, limit);
        switch (data.outcome) {
        case Outcome::Ok:
            if (data.format == 8)
                snapshot.contents.emplace(name, std::move(data.bytes));
            else
                logf(LogCategory::X11, "Respuesta no válida del dueño del portapapeles ({})", printableTarget(name));
            break;
        case Outcome::Refused:
            break;
        case Outcome::Broken:
            logf(LogCategory::X11, "Respuesta no válida del dueño del portapapeles ({})", printableTarget(name));
            break;
        case Outcome::TooLarge:
            logf(LogCategory::X11, "Contenido del portapapeles omitido por tamaño: {} ({} b, límite {} b)",
                 printableTarget(name), data.size,
                 options_.maxBytes);
            break;
        case Outcome::TimedOut:
            logf(LogCategory::X11, "El dueño del portapapeles no respondió a tiempo ({})", printableTarget(name));
            return std::nullopt;
        case Outcome::OwnerChanged:
            logLine(LogCategory::X11, "El portapapeles cambió de dueño durante la lectura");
            return std::nullopt;
        case Outcome::Stopped:
            return std::nullopt;
        }
    }
    return snapshot;
}

X11ClipboardReader::Conversion X11ClipboardReader::convert(Atom target, SteadyTime limit)
{
    const Atom property = properties_[nextProperty_++ % properties_.size()];
    XDeleteProperty(display_, window_, property);
    XConvertSelection(display_, clipboard_, target, property, window_, CurrentTime);
    XFlush(display_);

    XEvent event;
    const Outcome answered = waitFor(
        [&](const XEvent& e) {
            return e.type == SelectionNotify && e.xselection.requestor == window_ && e.xselection.selection == clipboard_
                && e.xselection.target == target && (e.xselection.property == property || e.xselection.property == None);
        },
        event, std::min(limit, steadyNow() + options_.timeout));
    if (answered != Outcome::Ok)
        return {answered};
    if (event.xselection.property == None)
        return {Outcome::Refused};

    const auto info = peek(property);
    if (!info || info->type == None)
        return {Outcome::Broken}; // said it answered, but left nothing
    if (info->type == incr_)
        return receiveIncremental(property, *info, limit);
    if (info->bytes > options_.maxBytes) {
        XDeleteProperty(display_, window_, property);
        return {Outcome::TooLarge, info->type, info->format, {}, info->bytes};
    }
    auto bytes = take(property, *info);
    if (!bytes)
        return {Outcome::Broken};
    return {Outcome::Ok, info->type, info->format, std::move(*bytes)};
}

X11ClipboardReader::Conversion X11ClipboardReader::receiveIncremental(Atom property, const Property& announce,
                                                                      SteadyTime limit)
{
    // The announced size is a lower bound. Too large: leave the property alone, so the owner never starts.
    const auto announced = static_cast<std::size_t>(std::max(announce.firstValue, 0L));
    if (announce.format != 32)
        return {Outcome::Broken};
    if (announced > options_.maxBytes)
        return {Outcome::TooLarge, None, 0, {}, announced};
    XDeleteProperty(display_, window_, property);
    XFlush(display_);

    Conversion result{Outcome::Ok};
    // The announcement comes from the owner: trust it for a start, not for tens of megabytes up front.
    result.bytes.reserve(std::min<std::size_t>(announced, 8u * 1024 * 1024));
    for (;;) {
        XEvent event;
        const Outcome next = waitFor(
            [&](const XEvent& e) {
                return e.type == PropertyNotify && e.xproperty.window == window_ && e.xproperty.atom == property
                    && e.xproperty.state == PropertyNewValue;
            },
            event, std::min(limit, steadyNow() + options_.timeout));
        if (next != Outcome::Ok)
            return {next};
        const auto info = peek(property);
        if (!info || info->type == None)
            return {Outcome::Broken};
        if (result.bytes.size() + info->bytes > options_.maxBytes)
            return {Outcome::TooLarge, None, 0, {}, result.bytes.size() + info->bytes};
        auto chunk = take(property, *info);
        if (!chunk || (result.format != 0 && info->format != result.format))
            return {Outcome::Broken};
        if (chunk->empty())
            return result;
        result.type = info->type;
        result.format = info->format;
        result.bytes.insert(result.bytes.end(), chunk->begin(), chunk->end());
    }
}

template <typename Wanted>
X11ClipboardReader::Outcome X11ClipboardReader::waitFor(Wanted wanted, XEvent& out, SteadyTime deadline)
{
    for (;;) {
        while (XPending(display_) > 0) {
            XNextEvent(display_, &out);
            if (isOwnerChange(out))
                return Outcome::OwnerChanged;
            if (wanted(out))
                return Outcome::Ok;
        }
        if (stop_)
            return Outcome::Stopped;
        if (steadyNow() >= deadline)
            return Outcome::TimedOut;
        sleepOn(display_, wake_, std::max(1, millisUntil(deadline)));
    }
}

std::optional<X11ClipboardReader::Property> X11ClipboardReader::peek(Atom property)
{
    Property info;
    unsigned long items = 0;
    unsigned long after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(display_, window_, property, 0, 1, False, AnyPropertyType, &info.type, &info.format, &items,
                           &after, &data)
        != Success)
        return std::nullopt;
    if (data && info.format == 32 && items > 0)
        info.firstValue = *reinterpret_cast<const long*>(data);
    if (data)
        XFree(data);
    const unsigned long unit = info.format == 32 ? 4 : info.format == 16 ? 2 : 1;
    info.bytes = items * unit + after;
    if (info.type != None && info.format != 8 && info.format != 16 && info.format != 32)
        return std::nullopt;
    return info;
}

std::optional<Bytes> X11ClipboardReader::take(Atom property, const Property& info)
{
    Atom type = None;
    int format = 0;
    unsigned long items = 0;
    unsigned long after = 0;
    unsigned char* data = nullptr;
    const long length = static_cast<long>(info.bytes / 4 + 1);
    const int status = XGetWindowProperty(display_, window_, property, 0, length, False, AnyPropertyType, &type,
                                          &format, &items, &after, &data);
    std::optional<Bytes> bytes;
    // A property that changed under us (type, format or grown) is not what we were told: broken.
    if (status == Success && type == info.type && format == info.format && after == 0)
        bytes = propertyBytes(data, format, items);
    if (data)
        XFree(data);
    XDeleteProperty(display_, window_, property);
    XFlush(display_);
    return bytes;
}

bool X11ClipboardReader::isOwnerChange(const XEvent& event) const
{
    return event.type == xfixesEventBase_ + XFixesSelectionNotify
        && reinterpret_cast<const XFixesSelectionNotifyEvent&>(event).selection == clipboard_;
}

void X11ClipboardReader::discardPending()
{
    while (XPending(display_) > 0) {
        XEvent event;
        XNextEvent(display_, &event);
    }
}

} // namespace brisa
