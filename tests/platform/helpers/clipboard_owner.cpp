// SPDX-License-Identifier: GPL-3.0-or-later
// A stand-in for another application that owns the clipboard, well behaved or not.
//
// Usage: clipboard_owner [--mode=MODE] [--incr=BYTES] TARGET=TEXT | TARGET=@FILE ...
// MODE: normal (answers everything), silent (never answers), vanish (quits at the first request),
// missing (answers but never sets the property), badformat (answers with the wrong type and format),
// silent-data (answers TARGETS only). --incr sends data larger than BYTES in chunks of BYTES.
// Prints "ready" once it owns the clipboard; quits when another program takes it.

#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

namespace {

struct Target {
    Atom atom;
    std::string data;
};

struct Transfer {
    Window requestor;
    Atom property;
    Atom type;
    const std::string* data;
    std::size_t sent;
};

Display* display = nullptr;
Window window = None;
std::string mode = "normal";
std::size_t incr = 0;
std::vector<Target> targets;
std::vector<Transfer> transfers;

int ignoreErrors(Display*, XErrorEvent*) { return 0; }

void setProperty(Window w, Atom property, Atom type, int format, const void* data, int count)
{
    static const unsigned char nothing = 0;
    XChangeProperty(display, w, property, type, format, PropModeReplace,
                    count ? static_cast<const unsigned char*>(data) : &nothing, count);
}

bool answer(const XSelectionRequestEvent& request, Atom property)
{
    const Atom targetsAtom = XInternAtom(display, "TARGETS", False);
    if (mode == "missing")
        return true;
    if (mode == "badformat") {
        const long numbers[2] = {7, 9};
        setProperty(request.requestor, property, XA_INTEGER, 32, numbers, 2);
        if (request.target == targetsAtom)
            setProperty(request.requestor, property, XA_STRING, 8, "garbage", 7);
        return true;
    }
    if (request.target == targetsAtom) {
        std::vector<long> list{static_cast<long>(targetsAtom)};
        for (const auto& t : targets)
            list.push_back(static_cast<long>(t.atom));
        setProperty(request.requestor, property, XA_ATOM, 32, list.data(), static_cast<int>(list.size()));
        return true;
    }
    if (mode == "silent-data")
        return false;
    for (const auto& t : targets) {
        if (t.atom != request.target)
            continue;
        if (incr && t.data.size() > incr) {
            XSelectInput(display, request.requestor, PropertyChangeMask);
            const long size = static_cast<long>(t.data.size());
            setProperty(request.requestor, property, XInternAtom(display, "INCR", False), 32, &size, 1);
            transfers.push_back({request.requestor, property, t.atom, &t.data, 0});
        } else {
            setProperty(request.requestor, property, t.atom, 8, t.data.data(), static_cast<int>(t.data.size()));
        }
        return true;
    }
    return false;
}

void serve(const XSelectionRequestEvent& request)
{
    if (mode == "vanish")
        std::exit(0);
    if (mode == "silent" || (mode == "silent-data" && request.target != XInternAtom(display, "TARGETS", False)))
        return;
    const Atom property = request.property != None ? request.property : request.target;
    XEvent reply{};
    reply.xselection.type = SelectionNotify;
    reply.xselection.requestor = request.requestor;
    reply.xselection.selection = request.selection;
    reply.xselection.target = request.target;
    reply.xselection.time = request.time;
    reply.xselection.property = answer(request, property) ? property : None;
    XSendEvent(display, request.requestor, False, NoEventMask, &reply);
    XFlush(display);
}

void nextChunk(Window requestor, Atom property)
{
    for (auto it = transfers.begin(); it != transfers.end(); ++it) {
        if (it->requestor != requestor || it->property != property)
            continue;
        const std::size_t count = std::min(incr, it->data->size() - it->sent);
        setProperty(requestor, property, it->type, 8, it->data->data() + it->sent, static_cast<int>(count));
        it->sent += count;
        if (count == 0)
            transfers.erase(it);
        XFlush(display);
        return;
    }
}

} // namespace

int main(int argc, char** argv)
{
    display = XOpenDisplay(nullptr);
    if (!display) {
        std::fprintf(stderr, "clipboard_owner: no display\n");
        return 2;
    }
    XSetErrorHandler(ignoreErrors);
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg.rfind("--mode=", 0) == 0) {
            mode = arg.substr(7);
            continue;
        }
        if (arg.rfind("--incr=", 0) == 0) {
            incr = std::stoul(arg.substr(7));
            continue;
        }
        const auto eq = arg.find('=');
        if (eq == std::string::npos) {
            std::fprintf(stderr, "clipboard_owner: bad argument %s\n", arg.c_str());
            return 2;
        }
        std::string value = arg.substr(eq + 1);
        if (!value.empty() && value[0] == '@') {
            std::ifstream in(value.substr(1), std::ios::binary);
            value.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        }
        targets.push_back({XInternAtom(display, arg.substr(0, eq).c_str(), False), std::move(value)});
    }

    window = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 1, 1, 0, 0, 0);
    XSelectInput(display, window, PropertyChangeMask);
    const Atom clipboard = XInternAtom(display, "CLIPBOARD", False);
    // A real timestamp from a property change, as a careful owner does.
    XChangeProperty(display, window, XA_WM_NAME, XA_STRING, 8, PropModeAppend, nullptr, 0);
    XEvent event;
    do
        XNextEvent(display, &event);
    while (event.type != PropertyNotify);
    XSetSelectionOwner(display, clipboard, window, event.xproperty.time);
    if (XGetSelectionOwner(display, clipboard) != window) {
        std::fprintf(stderr, "clipboard_owner: could not own the clipboard\n");
        return 1;
    }
    std::printf("ready\n");
    std::fflush(stdout);

    for (;;) {
        XNextEvent(display, &event);
        if (event.type == SelectionRequest)
            serve(event.xselectionrequest);
        else if (event.type == SelectionClear)
            break;
        else if (event.type == PropertyNotify && event.xproperty.state == PropertyDelete
                 && event.xproperty.window != window)
            nextChunk(event.xproperty.window, event.xproperty.atom);
    }
    XCloseDisplay(display);
    return 0;
}
