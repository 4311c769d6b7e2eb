// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/ShareTargets.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <filesystem>

class QDBusMessage;

namespace brisa {

/// The share targets of a freedesktop session: devices paired through KDE Connect (its daemon on
/// the session bus), the desktop portal's Email and OpenURI, else xdg-email, and blueman-sendto.
class XdgShareTargets final : public QObject, public ShareTargets {
    Q_OBJECT
public:
    /// A text longer than this goes to xdg-email as an attached .txt: the body travels as one
    /// percent-encoded command-line argument, which the kernel caps at 128 KiB.
    static constexpr std::size_t kMaxMailBodyBytes = 32 * 1024;

    /// scratch: the private folder for texts sent where only files go.
    explicit XdgShareTargets(std::filesystem::path scratch, QObject* parent = nullptr);

    ShareAvailability available() override;
    void send(const ShareTarget& target, const ShareContent& content, Done done) override;

private:
    bool onBus(const QString& name, bool orStartable) const;
    std::vector<ShareDevice> devices() const;
    void sendToDevice(const QString& id, const ShareContent& content, Done done);
    void email(const ShareContent& content, Done done);
    void bluetooth(const ShareContent& content, Done done);
    void openWith(const ShareContent& content, Done done);
    /// The path to hand over: the content's own file, or a text written to the scratch folder.
    /// Empty (done told why) when neither exists.
    QString fileFor(const ShareContent& content, const Done& done) const;
    void call(const QDBusMessage& message, Done done);
    void run(const QString& program, const QStringList& arguments, Done done);

    std::filesystem::path scratch_;
};

} // namespace brisa
