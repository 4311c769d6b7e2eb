// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/portal/PortalGlobalHotkeys.h"

#include "core/support/Log.h"

#include <QDBusArgument>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QTimer>

#include <xkbcommon/xkbcommon.h>

#include <array>
#include <string_view>

namespace brisa {

namespace {

const QString kInterface = QStringLiteral("org.freedesktop.portal.GlobalShortcuts");

/// One shortcut as BindShortcuts takes it: (id, {description, preferred_trigger}).
struct PortalShortcut {
    QString id;
    QVariantMap options;
};

QDBusArgument& operator<<(QDBusArgument& out, const PortalShortcut& shortcut)
{
    out.beginStructure();
    out << shortcut.id << shortcut.options;
    out.endStructure();
    return out;
}

const QDBusArgument& operator>>(const QDBusArgument& in, PortalShortcut& shortcut)
{
    in.beginStructure();
    in >> shortcut.id >> shortcut.options;
    in.endStructure();
    return in;
}

} // namespace

} // namespace brisa

Q_DECLARE_METATYPE(brisa::PortalShortcut)

namespace brisa {

PortalGlobalHotkeys::PortalGlobalHotkeys(QDBusConnection bus) : portal_(std::move(bus))
{
    qDBusRegisterMetaType<PortalShortcut>();
    qDBusRegisterMetaType<QList<PortalShortcut>>();
    portal_.subscribe(kInterface, QStringLiteral("Activated"),
                      [this](const QDBusMessage& message) { onSignal(message, KeyEvent::pressed); });
    portal_.subscribe(kInterface, QStringLiteral("Deactivated"),
                      [this](const QDBusMessage& message) { onSignal(message, KeyEvent::released); });
    const QVariantMap options{{QStringLiteral("session_handle_token"), DesktopPortal::token()}};
    portal_.request(kInterface, QStringLiteral("CreateSession"), {}, options,
                    [this](std::uint32_t code, const QVariantMap& results) {
        if (code != DesktopPortal::Success) {
            logLine(LogCategory::Platform, "El portal de atajos globales no abrió sesión: sin atajos globales");
            return;
        }
        session_ = DesktopPortal::pathText(results.value(QStringLiteral("session_handle")));
        if (!triggers_.empty())
            bind();
    });
}

std::string PortalGlobalHotkeys::triggerName(std::uint32_t keysym, std::uint32_t modifiers)
{
    std::array<char, 64> name{};
    // xkbcommon writes a keysym it has no name for as a number, which no desktop reads as a key.
    if (xkb_keysym_get_name(keysym, name.data(), name.size()) <= 0 || std::string_view(name.data()).starts_with("0x"))
        return {};
    static constexpr std::pair<std::uint32_t, const char*> kModifiers[] = {
        {4, "CTRL"}, {8, "ALT"}, {1, "SHIFT"}, {64, "LOGO"}};
    std::string trigger;
    for (const auto& [mask, label] : kModifiers)
        if (modifiers & mask)
            trigger.append(label).append("+");
    return trigger + name.data();
}

GlobalHotkeys::GrabResult PortalGlobalHotkeys::grab(std::uint32_t keysym, std::uint32_t modifiers, HotkeyId id)
{
    std::string trigger = triggerName(keysym, modifiers);
    if (trigger.empty())
        return {false, statusNoKey};
    for (const auto& [other, otherTrigger] : triggers_)
        if (other != id && otherTrigger == trigger)
            return {false, statusDuplicate};
    triggers_[id] = std::move(trigger);
    bindSoon();
    return {true, 0};
}

void PortalGlobalHotkeys::ungrab(HotkeyId id)
{
    if (triggers_.erase(id))
        bindSoon();
}

void PortalGlobalHotkeys::bindSoon()
{
    // The registry grabs its shortcuts one by one: they go to the desktop in one call, one dialog.
    if (bindQueued_)
        return;
    bindQueued_ = true;
    QTimer::singleShot(0, portal_.context(), [this] {
        bindQueued_ = false;
        if (!session_.isEmpty())
            bind();
    });
}

void PortalGlobalHotkeys::bind()
{
    QList<PortalShortcut> shortcuts;
    for (const auto& [id, trigger] : triggers_)
        shortcuts.push_back({QString::number(id),
                             {{QStringLiteral("description"), QStringLiteral("Atajo de Brisa (%1)").arg(QString::fromStdString(trigger))},
                              {QStringLiteral("preferred_trigger"), QString::fromStdString(trigger)}}});
    portal_.request(kInterface, QStringLiteral("BindShortcuts"),
                    {QVariant::fromValue(QDBusObjectPath(session_)), QVariant::fromValue(shortcuts), QString()}, {},
                    [count = shortcuts.size()](std::uint32_t code, const QVariantMap&) {
        if (code == DesktopPortal::Success)
            logf(LogCategory::Platform, "Atajos globales por el portal del escritorio: {}", count);
        else
            logLine(LogCategory::Platform, "El escritorio no aceptó los atajos globales de Brisa");
    });
}

void PortalGlobalHotkeys::onSignal(const QDBusMessage& message, KeyEvent event)
{
    // (session_handle, shortcut_id, timestamp, options): only this session's shortcuts count.
    const auto arguments = message.arguments();
    if (arguments.size() < 2 || !handler_)
        return;
    if (DesktopPortal::pathText(arguments.at(0)) != session_)
        return;
    bool ok = false;
    const HotkeyId id = arguments.at(1).toString().toUInt(&ok);
    if (ok && triggers_.count(id))
        handler_(id, event);
}

} // namespace brisa
