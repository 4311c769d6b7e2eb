// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/portal/PortalKeySynthesizer.h"

#include "core/support/AtomicFile.h"
#include "core/support/Log.h"

#include <QDBusObjectPath>


namespace brisa {

namespace {

const QString kInterface = QStringLiteral("org.freedesktop.portal.RemoteDesktop");
constexpr std::uint32_t kKeyboard = 1;
constexpr std::uint32_t kPersistUntilRevoked = 2;

constexpr int kControl = 0xffe3;
constexpr int kShift = 0xffe1;
constexpr int kLetterV = 0x76;
constexpr int kInsert = 0xff63;
constexpr int kBackSpace = 0xff08;

} // namespace

PortalKeySynthesizer::PortalKeySynthesizer(std::uint32_t version, std::filesystem::path restoreTokenFile,
                                           QDBusConnection bus)
    : portal_(std::move(bus)), restoreTokenFile_(std::move(restoreTokenFile))
{
    const QVariantMap sessionOptions{{QStringLiteral("session_handle_token"), DesktopPortal::token()}};
    portal_.request(kInterface, QStringLiteral("CreateSession"), {}, sessionOptions,
                    [this, version](std::uint32_t code, const QVariantMap& results) {
        if (code != DesktopPortal::Success)
            return fail("CreateSession", code);
        session_ = DesktopPortal::pathText(results.value(QStringLiteral("session_handle")));
        QVariantMap devices{{QStringLiteral("types"), kKeyboard}};
        if (version >= 2) {
            devices.insert(QStringLiteral("persist_mode"), kPersistUntilRevoked);
            if (const auto token = readWholeFile(restoreTokenFile_); token && !token->empty())
                devices.insert(QStringLiteral("restore_token"), QString::fromStdString(*token));
        }
        portal_.request(kInterface, QStringLiteral("SelectDevices"), {QVariant::fromValue(QDBusObjectPath(session_))},
                        devices, [this](std::uint32_t code, const QVariantMap&) {
            if (code != DesktopPortal::Success)
                return fail("SelectDevices", code);
            portal_.request(kInterface, QStringLiteral("Start"),
                            {QVariant::fromValue(QDBusObjectPath(session_)), QString()}, {},
                            [this](std::uint32_t code, const QVariantMap& results) {
                if (code != DesktopPortal::Success)
                    return fail("Start", code);
                if (!(results.value(QStringLiteral("devices")).toUInt() & kKeyboard))
                    return fail("Start (sin teclado)", DesktopPortal::Cancelled);
                const QString token = results.value(QStringLiteral("restore_token")).toString();
                if (!token.isEmpty()) {
                    if (const auto error = writeFileAtomically(restoreTokenFile_, token.toStdString()))
                        logf(LogCategory::Platform, "No se pudo guardar el permiso del portal: {}", *error);
                }
                state_ = State::Ready;
                logLine(LogCategory::Platform, "Pegado por el teclado del portal de escritorio remoto");
            });
        });
    });
}

void PortalKeySynthesizer::fail(const char* step, std::uint32_t code)
{
    state_ = State::Refused;
    logf(LogCategory::Platform, "El portal de escritorio remoto no da teclado ({}: {}): sin pegado automático", step,
         code == DesktopPortal::Cancelled ? "rechazado" : "error");
}

bool PortalKeySynthesizer::sendKeysyms(const std::vector<std::pair<int, bool>>& events)
{
    if (state_ != State::Ready)
        return false;
    // Sent in order on one connection, so the portal sees them in order; no answer is awaited.
    for (const auto& [keysym, pressed] : events)
        portal_.send(kInterface, QStringLiteral("NotifyKeyboardKeysym"),
                     {QVariant::fromValue(QDBusObjectPath(session_)), QVariantMap{}, keysym, pressed ? 1u : 0u});
    return true;
}

bool PortalKeySynthesizer::sendPaste(PasteChord chord)
{
    switch (chord) {
    case PasteChord::ControlV:
        return sendKeysyms({{kControl, true}, {kLetterV, true}, {kLetterV, false}, {kControl, false}});
    case PasteChord::ControlShiftV:
        return sendKeysyms({{kControl, true}, {kShift, true}, {kLetterV, true}, {kLetterV, false}, {kShift, false},
                            {kControl, false}});
    case PasteChord::ShiftInsert:
        return sendKeysyms({{kShift, true}, {kInsert, true}, {kInsert, false}, {kShift, false}});
    }
    return false;
}

bool PortalKeySynthesizer::sendBackSpaces(int count)
{
    std::vector<std::pair<int, bool>> events;
    for (int i = 0; i < count; ++i) {
        events.emplace_back(kBackSpace, true);
        events.emplace_back(kBackSpace, false);
    }
    return sendKeysyms(events);
}

} // namespace brisa
