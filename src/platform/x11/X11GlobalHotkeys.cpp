// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/x11/X11GlobalHotkeys.h"

#include "core/support/Clock.h"
#include "core/support/Log.h"
#include "platform/x11/X11Display.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <deque>
#include <future>
#include <map>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>
#include <vector>

// Last: their macros (None, Bool, Status) would clash with names in the headers above.
#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/keysym.h>

namespace brisa {

namespace {

// Modifier bits a key event may carry that say something about the combination; the rest (mouse
// buttons, the keyboard group) is ignored.
constexpr unsigned int coreModifiers = ShiftMask | LockMask | ControlMask | Mod1Mask | Mod2Mask | Mod3Mask |
                                       Mod4Mask | Mod5Mask;

struct Grab {
    std::uint32_t keysym = 0;
    unsigned int modifiers = 0;
    KeyCode keycode = 0;
};

/// The modifier bit that key sits on, 0 when it is on none.
unsigned int modifierOf(Display* display, XModifierKeymap* map, KeySym keysym)
{
    const KeyCode code = XKeysymToKeycode(display, keysym);
    if (!code || !map)
        return 0;
    for (int mod = 0; mod < 8; ++mod)
        for (int k = 0; k < map->max_keypermod; ++k)
            if (map->modifiermap[mod * map->max_keypermod + k] == code)
                return 1u << mod;
    return 0;
}

} // namespace

struct X11GlobalHotkeys::Impl {
    /// What the main thread's handler lives in; posted events hold it weakly so that none runs
    /// after the object is gone.
    struct HandlerBox {
        Handler handler;
    };

    Impl(Scheduler& s, std::unique_ptr<X11Display> d, int fd)
        : scheduler(s)
        , display(std::move(d))
        , wakeFd(fd)
    {
    }

    ~Impl()
    {
        if (wakeFd >= 0)
            ::close(wakeFd);
    }

    Scheduler& scheduler;
    std::unique_ptr<X11Display> display;
    int wakeFd = -1;
    std::thread thread;
    std::shared_ptr<HandlerBox> handlerBox = std::make_shared<HandlerBox>();

    std::mutex mutex;
    std::deque<std::function<void()>> commands;
    bool stopping = false;

    // Owned by the event thread.
    std::map<HotkeyId, Grab> grabs;
    std::vector<unsigned int> lockMasks; // LockMask and the NumLock and ScrollLock modifiers found
    unsigned int ignoredMask = LockMask;
    struct Active {
        HotkeyId id;
        KeyCode keycode;
    };
    std::optional<Active> active;
    bool detectableRepeat = false;
    bool connectionLost = false;

    void wake()
    {
        const std::uint64_t one = 1;
        while (::write(wakeFd, &one, sizeof one) < 0 && errno == EINTR) {
        }
    }

    /// Runs f on the event thread and waits for its result; nullopt once the thread has stopped.
    template <typename F>
    auto call(F f) -> std::optional<decltype(f())>
    {
        std::packaged_task<decltype(f())()> task(std::move(f));
        auto result = task.get_future();
        {
            // Checked and queued under one lock: the thread runs whatever was queued before it stops.
            std::lock_guard lock(mutex);
            if (stopping)
                return std::nullopt;
            commands.emplace_back([&task] { task(); });
        }
        wake();
        return result.get();
    }

    Display* dpy() const { return display->get(); }
    Window root() const { return DefaultRootWindow(dpy()); }

    void findLockMasks()
    {
        XModifierKeymap* map = XGetModifierMapping(dpy());
        const unsigned int num = modifierOf(dpy(), map, XK_Num_Lock);
        const unsigned int scroll = modifierOf(dpy(), map, XK_Scroll_Lock);
        if (map)
            XFreeModifiermap(map);
        lockMasks = {LockMask};
        for (unsigned int m : {num, scroll})
            if (m && std::find(lockMasks.begin(), lockMasks.end(), m) == lockMasks.end())
                lockMasks.push_back(m);
        ignoredMask = 0;
        for (unsigned int m : lockMasks)
            ignoredMask |= m;
    }

    /// Every mix of the lock modifiers that are not part of the combination itself.
    std::vector<unsigned int> lockMixes(unsigned int modifiers) const
    {
        std::vector<unsigned int> locks;
        for (unsigned int m : lockMasks)
            if (!(m & modifiers))
                locks.push_back(m);
        std::vector<unsigned int> mixes;
        for (unsigned int subset = 0; subset < (1u << locks.size()); ++subset) {
            unsigned int mix = 0;
            for (std::size_t i = 0; i < locks.size(); ++i)
                if (subset & (1u << i))
                    mix |= locks[i];
            mixes.push_back(mix);
        }
        return mixes;
    }

    void ungrabKeys(const Grab& g)
    {
        for (unsigned int mix : lockMixes(g.modifiers))
            XUngrabKey(dpy(), g.keycode, g.modifiers | mix, root());
    }

    /// Grabs g's key with every lock mix; on any error releases them all. 0 or the X error code.
    int grabKeys(Grab& g)
    {
        g.keycode = XKeysymToKeycode(dpy(), static_cast<KeySym>(g.keysym));
        if (!g.keycode)
            return statusNoKey;
        XSync(dpy(), False);
        X11Display::takeError(); // earlier errors are not this grab's
        for (unsigned int mix : lockMixes(g.modifiers))
            XGrabKey(dpy(), g.keycode, g.modifiers | mix, root(), False, GrabModeAsync, GrabModeAsync);
        XSync(dpy(), False);
        // The handler runs on this thread while XSync reads the errors, so takeError sees them here.
        const int error = X11Display::takeError();
        if (error) {
            // Grabs that did succeed must not linger: the combination works whole or not at all.
            ungrabKeys(g);
            XSync(dpy(), False);
            X11Display::takeError();
        }
        return error;
    }

    GrabResult doGrab(std::uint32_t keysym, unsigned int modifiers, HotkeyId id)
    {
        if (connectionLost)
            return {false, statusUnavailable};
        const KeyCode code = XKeysymToKeycode(dpy(), static_cast<KeySym>(keysym));
        if (!code)
            return {false, statusNoKey};
        for (const auto& [other, g] : grabs)
            if (other != id && g.keycode == code && g.modifiers == modifiers)
                return {false, statusDuplicate};
        if (auto it = grabs.find(id); it != grabs.end()) {
            ungrabKeys(it->second);
            grabs.erase(it);
        }
        Grab g{keysym, modifiers, 0};
        if (const int error = grabKeys(g))
            return {false, error};
        grabs[id] = g;
        return {true, 0};
    }

    void doUngrab(HotkeyId id)
    {
        auto it = grabs.find(id);
        if (connectionLost || it == grabs.end())
            return;
        ungrabKeys(it->second);
        XSync(dpy(), False);
        X11Display::takeError();
        if (active && active->id == id)
            active.reset();
        grabs.erase(it);
    }

    /// The keyboard map changed: keycodes and lock modifiers may have moved, so grab everything again.
    void regrabAll()
    {
        for (const auto& [id, g] : grabs)
            ungrabKeys(g);
        XSync(dpy(), False);
        X11Display::takeError();
        findLockMasks();
        active.reset();
        for (auto it = grabs.begin(); it != grabs.end();) {
            if (const int error = grabKeys(it->second)) {
                const char* name = XKeysymToString(static_cast<KeySym>(it->second.keysym));
                logf(LogCategory::X11, "Atajo global {} perdido tras cambiar el teclado: {}", name ? name : "?", error);
                it = grabs.erase(it);
            } else {
                ++it;
            }
        }
    }

    void post(HotkeyId id, KeyEvent event)
    {
        std::weak_ptr<HandlerBox> box = handlerBox;
        scheduler.post([box, id, event] {
            if (auto b = box.lock(); b && b->handler)
                b->handler(id, event);
        });
    }

    void keyPressed(const XKeyEvent& ev)
    {
        const unsigned int state = ev.state & coreModifiers & ~ignoredMask;
        for (const auto& [id, g] : grabs) {
            if (g.keycode != ev.keycode || g.modifiers != state)
                continue;
            if (active && active->id == id && active->keycode == ev.keycode)
                return; // auto-repeat of the combination already down
            active = Active{id, static_cast<KeyCode>(ev.keycode)};
            post(id, KeyEvent::pressed);
            return;
        }
    }

    void keyReleased(const XKeyEvent& ev)
    {
        // Matched by key alone: the modifiers may have been let go first.
        if (!active || active->keycode != ev.keycode)
            return;
        if (!detectableRepeat && XEventsQueued(dpy(), QueuedAfterReading)) {
            // Without detectable auto-repeat a repeat is a release and a press with the same time.
            XEvent next;
            XPeekEvent(dpy(), &next);
            if (next.type == KeyPress && next.xkey.keycode == ev.keycode && next.xkey.time == ev.time) {
                XNextEvent(dpy(), &next);
                return;
            }
        }
        const HotkeyId id = active->id;
        active.reset();
        post(id, KeyEvent::released);
    }

    void handle(XEvent& ev)
    {
        switch (ev.type) {
        case KeyPress:
            keyPressed(ev.xkey);
            break;
        case KeyRelease:
            keyReleased(ev.xkey);
            break;
        case MappingNotify:
            XRefreshKeyboardMapping(&ev.xmapping);
            if (ev.xmapping.request == MappingKeyboard || ev.xmapping.request == MappingModifier)
                regrabAll();
            break;
        default:
            break;
        }
    }

    void run()
    {
        Bool supported = False;
        XkbSetDetectableAutoRepeat(dpy(), True, &supported);
        detectableRepeat = supported;
        findLockMasks();
        XSync(dpy(), False);
        X11Display::takeError();

        for (;;) {
            std::deque<std::function<void()>> pending;
            bool stop = false;
            {
                std::lock_guard lock(mutex);
                pending.swap(commands);
                stop = stopping;
            }
            for (auto& command : pending)
                command();
            if (stop)
                break;
            // Requests above may have read events into Xlib's queue: the socket would not show them.
            while (XPending(dpy())) {
                XEvent ev;
                XNextEvent(dpy(), &ev);
                handle(ev);
            }
            pollfd fds[2] = {{ConnectionNumber(dpy()), POLLIN, 0}, {wakeFd, POLLIN, 0}};
            if (::poll(fds, 2, -1) < 0 && errno != EINTR) {
                connectionLost = true;
                break;
            }
            if (fds[1].revents & POLLIN) {
                std::uint64_t count = 0;
                [[maybe_unused]] auto n = ::read(wakeFd, &count, sizeof count);
            }
            if (fds[0].revents & (POLLERR | POLLHUP)) {
                logLine(LogCategory::X11, "Conexión X de los atajos globales perdida");
                connectionLost = true;
                break;
            }
        }

        if (!connectionLost) {
            for (const auto& [id, g] : grabs)
                ungrabKeys(g);
            XSync(dpy(), False);
            X11Display::takeError();
        }
        grabs.clear();

        // Callers still waiting (only possible after a lost connection) get a refusal, not a hang.
        connectionLost = true;
        std::lock_guard lock(mutex);
        stopping = true;
        for (auto& command : commands)
            command();
        commands.clear();
    }
};

std::unique_ptr<X11GlobalHotkeys> X11GlobalHotkeys::create(Scheduler& scheduler, const std::string& displayName)
{
    auto display = X11Display::open(displayName);
    if (!display)
        return nullptr;
    const int fd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (fd < 0) {
        logLine(LogCategory::X11, "No se pudo crear el eventfd de los atajos globales");
        return nullptr;
    }
    auto impl = std::make_unique<Impl>(scheduler, std::move(display), fd);
    Impl* raw = impl.get();
    raw->thread = std::thread([raw] { raw->run(); });
    return std::unique_ptr<X11GlobalHotkeys>(new X11GlobalHotkeys(std::move(impl)));
}

X11GlobalHotkeys::X11GlobalHotkeys(std::unique_ptr<Impl> impl)
    : impl_(std::move(impl))
{
}

X11GlobalHotkeys::~X11GlobalHotkeys()
{
    impl_->handlerBox.reset();
    {
        std::lock_guard lock(impl_->mutex);
        impl_->stopping = true;
    }
    impl_->wake();
    if (impl_->thread.joinable())
        impl_->thread.join();
}

GlobalHotkeys::GrabResult X11GlobalHotkeys::grab(std::uint32_t keysym, std::uint32_t modifiers, HotkeyId id)
{
    // Only the modifiers a combination can hold; lock bits are added by the grab itself.
    const unsigned int mods = modifiers & (ShiftMask | ControlMask | Mod1Mask | Mod4Mask);
    if (mods != modifiers || id == 0)
        return {false, BadValue};
    Impl* impl = impl_.get();
    return impl->call([impl, keysym, mods, id] { return impl->doGrab(keysym, mods, id); })
        .value_or(GrabResult{false, statusUnavailable});
}

void X11GlobalHotkeys::ungrab(HotkeyId id)
{
    Impl* impl = impl_.get();
    impl->call([impl, id] {
        impl->doUngrab(id);
        return true;
    });
}

void X11GlobalHotkeys::setHandler(Handler handler)
{
    if (impl_->handlerBox)
        impl_->handlerBox->handler = std::move(handler);
}

} // namespace brisa
