// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/PanelTrace.h"

#include "core/support/Log.h"

#include <cstdlib>
#include <cstring>
#include <memory>

namespace brisa {
namespace {

double millis(PanelTrace::SteadyClock::duration d)
{
    return std::chrono::duration<double, std::milli>(d).count();
}

} // namespace

PanelTrace* PanelTrace::fromEnvironment()
{
    static const std::unique_ptr<PanelTrace> trace = [] {
        const char* value = std::getenv("BRISA_TRACE_PANEL");
        return value && std::strcmp(value, "1") == 0 ? std::make_unique<PanelTrace>() : nullptr;
    }();
    return trace.get();
}

void PanelTrace::openRequested(SteadyClock::time_point at)
{
    if (!expanded_ && !requestedAt_)
        requestedAt_ = at;
}

void PanelTrace::collapseRequested()
{
    if (!expanded_)
        requestedAt_.reset();
}

void PanelTrace::expandedChanged(bool expanded, SteadyClock::time_point at)
{
    if (expanded == expanded_)
        return;
    expanded_ = expanded;
    firstFrameLogged_ = false;
    lastFrame_.reset();
    if (expanded) {
        expandedAt_ = at;
        if (!requestedAt_)
            requestedAt_ = at; // opened by a path that did not announce itself
        return;
    }
    expandedAt_.reset();
    requestedAt_.reset();
    logLine(LogCategory::Ui, "Panel cerrado");
}

void PanelTrace::frameSwapped(SteadyClock::time_point at)
{
    // A frame drawn before the flag rose (it may reach us later, from the render thread) is
    // still the closed panel.
    if (!expanded_ || !expandedAt_ || at < *expandedAt_)
        return;
    if (!firstFrameLogged_) {
        firstFrameLogged_ = true;
        lastFrame_ = at;
        const auto from = requestedAt_.value_or(*expandedAt_);
        logf(LogCategory::Ui, "Panel abierto: primer fotograma a los {:.1f} ms ({:.1f} ms tras expandirse)",
             millis(at - from),
             millis(at - *expandedAt_));
        requestedAt_.reset();
        return;
    }
    const auto gap = at - *lastFrame_;
    lastFrame_ = at;
    if (gap <= kIdleGap)
        logf(LogCategory::Ui, "Panel: fotograma en {:.1f} ms", millis(gap));
}

} // namespace brisa
