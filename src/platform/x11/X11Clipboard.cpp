// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/x11/X11Clipboard.h"

#include "platform/x11/X11ClipboardOwner.h"
#include "platform/x11/X11ClipboardReader.h"
#include "platform/x11/X11Display.h"
#include "platform/x11/X11SelectionSupport.h"

namespace brisa {

std::unique_ptr<X11Clipboard> X11Clipboard::create(Scheduler& scheduler, const Options& options)
{
    auto ownerDisplay = X11Display::open(options.displayName);
    auto readerDisplay = ownerDisplay ? X11Display::open(options.displayName) : nullptr;
    if (!ownerDisplay || !readerDisplay)
        return nullptr;
    int ownerEvents = 0;
    int readerEvents = 0;
    if (!x11::queryXfixes(ownerDisplay->get(), ownerEvents) || !x11::queryXfixes(readerDisplay->get(), readerEvents))
        return nullptr;
    auto owner = std::make_unique<X11ClipboardOwner>(std::move(ownerDisplay), ownerEvents, scheduler, options);
    auto reader = std::make_unique<X11ClipboardReader>(std::move(readerDisplay), readerEvents, scheduler, options);
    auto clipboard = std::unique_ptr<X11Clipboard>(new X11Clipboard(std::move(owner), std::move(reader)));
    clipboard->displayName_ = options.displayName;
    return clipboard;
}

X11Clipboard::X11Clipboard(std::unique_ptr<X11ClipboardOwner> owner, std::unique_ptr<X11ClipboardReader> reader)
    : owner_(std::move(owner))
    , reader_(std::move(reader))
{
}

X11Clipboard::~X11Clipboard() = default;

std::int64_t X11Clipboard::changeCount() const { return owner_->changeCount(); }

void X11Clipboard::read(Chooser choose, ReadDone done) { reader_->enqueue(std::move(choose), std::move(done)); }

bool X11Clipboard::write(std::vector<std::pair<std::string, Bytes>> targets)
{
    return owner_->write(std::move(targets));
}

void X11Clipboard::setChangeHandler(std::function<void()> handler) { owner_->setChangeHandler(std::move(handler)); }

void X11Clipboard::retain(std::int64_t change, Targets targets) { owner_->retain(change, std::move(targets)); }

bool X11Clipboard::mirrorToPrimary() { return owner_->mirrorToPrimary(); }

bool X11Clipboard::selectionInProgress()
{
    if (!pointer_)
        pointer_ = X11Display::open(displayName_);
    if (!pointer_)
        return false;
    Display* d = pointer_->get();
    Window root = None, child = None;
    int rootX = 0, rootY = 0, x = 0, y = 0;
    unsigned int mask = 0;
    XQueryPointer(d, DefaultRootWindow(d), &root, &child, &rootX, &rootY, &x, &y, &mask);
    return (mask & (Button1Mask | Button2Mask | Button3Mask)) != 0;
}

} // namespace brisa

