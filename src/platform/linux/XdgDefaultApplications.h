// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>

#include <filesystem>
#include <string>
#include <vector>

namespace brisa {

/// The desktop's default web browser and file manager, as xdg-settings and xdg-mime name them.
class XdgDefaultApplications final : public QObject {
    Q_OBJECT
public:
    /// How long each of the two programs may take.
    static constexpr int kTimeoutMs = 5000;

    explicit XdgDefaultApplications(QObject* parent = nullptr);

    /// Asks both programs without waiting; found() comes once with the answer.
    void find();

    /// The file of a desktop file id ("firefox-esr.desktop") in the first of dirs that has it;
    /// empty when none does or the id is not a plain file name.
    static std::string resolveDesktopId(const std::string& id, const std::vector<std::filesystem::path>& dirs);

Q_SIGNALS:
    /// The .desktop files found, browser first, each at most once (none when the programs are
    /// missing or name nothing installed).
    void found(const std::vector<std::string>& files);
};

} // namespace brisa
