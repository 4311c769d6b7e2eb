// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/linux/XdgDefaultApplications.h"

#include "core/support/DesktopEntries.h"

#include <QProcess>
#include <QVariant>
#include <QTimer>

#include <algorithm>
#include <memory>

namespace brisa {

XdgDefaultApplications::XdgDefaultApplications(QObject* parent)
    : QObject(parent)
{
}

std::string XdgDefaultApplications::resolveDesktopId(const std::string& id,
                                                     const std::vector<std::filesystem::path>& dirs)
{
    if (id.empty() || !id.ends_with(".desktop") || id.find('/') != std::string::npos || id.starts_with('.'))
        return {};
    for (const auto& dir : dirs) {
        std::error_code ec;
        const auto file = dir / id;
        if (std::filesystem::is_regular_file(file, ec))
            return file.string();
    }
    return {};
}

void XdgDefaultApplications::find()
{
    struct Pending {
        std::vector<std::string> ids{2};
        int remaining = 2;
    };
    auto pending = std::make_shared<Pending>();
    const std::vector<std::pair<QString, QStringList>> asks = {
        {QStringLiteral("xdg-settings"), {QStringLiteral("get"), QStringLiteral("default-web-browser")}},
        {QStringLiteral("xdg-mime"), {QStringLiteral("query"), QStringLiteral("default"), QStringLiteral("inode/directory")}},
    };
    for (std::size_t i = 0; i < asks.size(); ++i) {
        auto* process = new QProcess(this);
        auto finish = [this, process, pending, i](bool ok) {
            if (process->property("finished").toBool())
                return;
            process->setProperty("finished", true);
            if (ok) {
                // A list may come back ("a.desktop;b.desktop"): the first is the one in use.
                const QString first = QString::fromUtf8(process->readAllStandardOutput()).trimmed().section(QLatin1Char(';'), 0, 0);
                pending->ids[i] = first.toStdString();
            }
            process->deleteLater();
            if (--pending->remaining > 0)
                return;
            std::vector<std::string> files;
            const auto dirs = DesktopEntries::applicationDirs();
            for (const auto& id : pending->ids)
                if (auto file = resolveDesktopId(id, dirs); !file.empty() && std::find(files.begin(), files.end(), file) == files.end())
                    files.push_back(std::move(file));
            Q_EMIT found(files);
        };
        connect(process, &QProcess::finished, this, [finish, process](int code, QProcess::ExitStatus status) {
            finish(status == QProcess::NormalExit && code == 0);
            (void)process;
        });
        connect(process, &QProcess::errorOccurred, this, [finish](QProcess::ProcessError error) {
            if (error == QProcess::FailedToStart)
                finish(false);
        });
        QTimer::singleShot(kTimeoutMs, process, [process, finish] {
            process->kill();
            finish(false);
        });
        process->start(asks[i].first, asks[i].second);
    }
}

} // namespace brisa
