// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/support/DesktopEntries.h"
#include "platform/FrontmostApplication.h"

#include <QAbstractListModel>
#include <QString>
#include <QtQml/qqmlregistration.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace brisa {

/// The applications a user can pick: the installed ones (the desktop entries of the XDG folders)
/// and the windows open now that match none, sorted by name and narrowed by a search text. Each
/// row carries the identifier the clipboard monitor records for the application's copies (its
/// windows' WM_CLASS class): the entry's StartupWMClass, else the class of one of its open
/// windows; an entry with neither has none.
class ApplicationPickerModel : public QAbstractListModel {
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("Made by the window that offers the picker")
    /// Rows whose name, identifier or desktop id contain this, ignoring case; empty: all.
    Q_PROPERTY(QString filter READ filter WRITE setFilter NOTIFY filterChanged)

public:
    enum Role { NameRole = Qt::UserRole + 1, IdentifierRole, IconRole, DetailRole };

    /// One application as the picker lists it.
    struct Application {
        std::string name;
        /// What the monitor compares; empty when it cannot be told.
        std::string identifier;
        /// The id the app icon provider looks up (desktop id, or window class).
        std::string iconId;
        /// The desktop file id; empty for a window without an entry.
        std::string desktopId;
    };

    /// applicationDirs: where the desktop entries are (empty: the XDG folders); windows lists the
    /// applications open now, Brisa's own left out; null: installed applications only. windows must
    /// outlive the model.
    ApplicationPickerModel(std::vector<std::filesystem::path> applicationDirs, FrontmostApplication* windows,
                           QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QHash<int, QByteArray> roleNames() const override;

    QString filter() const { return filter_; }
    void setFilter(const QString& filter);

    /// Reads the entries and the open windows again (the picker calls it each time it opens).
    Q_INVOKABLE void refresh();
    /// The identifier of a row shown; empty for a row without one or out of range.
    Q_INVOKABLE QString identifierAt(int row) const;
    /// The desktop entry file of a row shown; empty for a window without an entry or out of range.
    Q_INVOKABLE QString desktopFileAt(int row) const;

    /// The rows for these entries and window classes, sorted by name (ignoring case).
    static std::vector<Application> collect(const DesktopEntries& entries, const std::vector<std::string>& windows);

Q_SIGNALS:
    void filterChanged();

private:
    void applyFilter();

    std::vector<std::filesystem::path> applicationDirs_;
    FrontmostApplication* windows_;
    std::vector<Application> all_;
    std::vector<std::size_t> shown_;
    QString filter_;
};

} // namespace brisa
