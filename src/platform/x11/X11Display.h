// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <X11/Xlib.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace brisa {

/// One connection to the X server, for use by a single thread. X errors on it are recorded instead of
/// ending the process (Xlib's default), so a client that destroys its window mid-transfer is harmless.
class X11Display {
public:
    /// Opens the display named (empty: $DISPLAY); nullptr with a log line when it cannot be opened.
    static std::unique_ptr<X11Display> open(const std::string& name);
    ~X11Display();
    X11Display(const X11Display&) = delete;
    X11Display& operator=(const X11Display&) = delete;

    Display* get() const { return display_; }
    /// The atom for name, interned once per connection.
    Atom atom(const std::string& name);
    /// The names of atoms, in order; an empty string for an atom the server does not know.
    std::vector<std::string> atomNames(const std::vector<Atom>& atoms);
    /// Error code of the last X error the calling thread received on any of these connections, then clears it.
    static int takeError();

private:
    explicit X11Display(Display* display) : display_(display) {}

    Display* display_;
    std::map<std::string, Atom> atoms_;
};

} // namespace brisa
