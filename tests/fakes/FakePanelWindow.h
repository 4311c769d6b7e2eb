// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/PanelWindow.h"

#include <optional>
#include <string>
#include <vector>

namespace brisa::test {

/// A panel window that draws nothing: it records what its controller did to it.
class FakePanelWindow final : public PanelWindow {
public:
    explicit FakePanelWindow(WindowId id = WindowId{900}) : id_(id) {}

    bool create(const Rect& frame) override
    {
        created.push_back(frame);
        return true;
    }
    void setFrame(const Rect& frame) override { frames.push_back(frame); }
    void setIgnoresMouse(bool ignores) override { ignoresMouse.push_back(ignores); }
    void orderFront() override { ++orderFronts; }
    void setKeyable(bool value) override
    {
        keyable = value;
        note(value ? "keyable" : "not keyable");
    }
    void makeKeyAndFront() override
    {
        ++keyAndFronts;
        note("key and front");
    }
    std::optional<WindowId> windowId() const override { return created.empty() ? std::nullopt : std::optional(id_); }
    bool brisaHasFocus() const override { return brisaFocused; }
    bool pointerOverOtherBrisaWindow() const override { return overOtherWindow; }

    /// The frame now: the last one set, else the one it was created with.
    Rect frame() const { return frames.empty() ? created.back() : frames.back(); }

    std::vector<Rect> created;
    std::vector<Rect> frames;
    /// Every setIgnoresMouse, in order.
    std::vector<bool> ignoresMouse;
    bool keyable = false;
    int orderFronts = 0;
    int keyAndFronts = 0;
    /// What brisaHasFocus and pointerOverOtherBrisaWindow answer.
    bool brisaFocused = false;
    bool overOtherWindow = false;
    /// When set, the focus-related calls are noted here, to be compared in order with other fakes'.
    std::vector<std::string>* journal = nullptr;

private:
    void note(const char* step)
    {
        if (journal)
            journal->push_back(step);
    }
    WindowId id_;
};

} // namespace brisa::test
