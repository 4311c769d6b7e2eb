// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/x11/X11Display.h"

#include "core/support/Log.h"

#include <algorithm>
#include <mutex>
#include <set>
#include <utility>

namespace brisa {
namespace {

std::mutex registryMutex;
// A multiset: a closed connection's address may be reused by the next one before it is erased.
std::multiset<Display*> ourDisplays;
XErrorHandler previousHandler = nullptr;
thread_local int lastError = 0;

int recordError(Display* display, XErrorEvent* event)
{
    XErrorHandler other = nullptr;
    {
        std::lock_guard lock(registryMutex);
        if (!ourDisplays.count(display))
            other = previousHandler;
    }
    // Connections that are not ours keep whatever handling their owner installed.
    if (other)
        return other(display, event);
    lastError = event->error_code;
    return 0;
}

} // namespace

std::unique_ptr<X11Display> X11Display::open(const std::string& name)
{
    // A no-op on current Xlib; older ones need it before any other call when several threads use Xlib.
    static const Status threads = XInitThreads();
    (void)threads;
    Display* display = XOpenDisplay(name.empty() ? nullptr : name.c_str());
    if (!display) {
        const char* shown = name.empty() ? XDisplayName(nullptr) : name.c_str();
        logf(LogCategory::X11, "No se pudo abrir la pantalla X11 \"{}\"", shown ? shown : "");
        return nullptr;
    }
    std::lock_guard lock(registryMutex);
    ourDisplays.insert(display);
    // Someone (a toolkit) may have replaced the handler since: put ours back and remember theirs.
    XErrorHandler current = XSetErrorHandler(recordError);
    if (current != recordError)
        previousHandler = current;
    return std::unique_ptr<X11Display>(new X11Display(display));
}

X11Display::~X11Display()
{
    // Closing flushes, which may still report errors: unregister only afterwards.
    XCloseDisplay(display_);
    std::lock_guard lock(registryMutex);
    if (auto it = ourDisplays.find(display_); it != ourDisplays.end())
        ourDisplays.erase(it);
}

Atom X11Display::atom(const std::string& name)
{
    if (auto it = atoms_.find(name); it != atoms_.end())
        return it->second;
    const Atom a = XInternAtom(display_, name.c_str(), False);
    atoms_.emplace(name, a);
    return a;
}

std::vector<std::string> X11Display::atomNames(const std::vector<Atom>& atoms)
{
    std::vector<std::string> names(atoms.size());
    if (atoms.empty())
        return names;
    std::vector<Atom> query(atoms);
    std::vector<char*> raw(atoms.size(), nullptr);
    // Unknown atoms come back as null entries (with a BadAtom error recorded), the rest still resolve.
    XGetAtomNames(display_, query.data(), static_cast<int>(query.size()), raw.data());
    for (std::size_t i = 0; i < raw.size(); ++i) {
        if (raw[i]) {
            names[i] = raw[i];
            XFree(raw[i]);
        }
    }
    takeError();
    return names;
}

int X11Display::takeError()
{
    return std::exchange(lastError, 0);
}

} // namespace brisa
