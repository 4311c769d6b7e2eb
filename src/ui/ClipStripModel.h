// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/model/ClipItem.h"
#include "core/model/NotchTab.h"
#include "core/support/Clock.h"

#include <QAbstractListModel>
#include <QVariant>
#include <QtQml/qqmlregistration.h>

#include <array>
#include <cstdint>
#include <vector>

namespace brisa {

class Storage;

/// The panel's card strip: the selected tab's clips in panel order (pinned first, then newest),
/// read from the store a page at a time as the strip scrolls, so that a long history is never
/// loaded whole. Thumbnails are not read here: cards ask the "brisa-thumbs" image provider, and
/// the "appicon" one for the source application's icon.
class ClipStripModel : public QAbstractListModel {
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("Made by the panel controller")
    /// The selected tab, as the index of NotchTab (0 History ... 3 Assets); other values are refused.
    Q_PROPERTY(int tab READ tab WRITE setTab NOTIFY tabChanged)
    /// The raw value of the selected tab ("History", ...).
    Q_PROPERTY(QString tabName READ tabName NOTIFY tabChanged)
    Q_PROPERTY(bool onlyFavorites READ onlyFavorites WRITE setOnlyFavorites NOTIFY onlyFavoritesChanged)
    /// Rows loaded so far; more arrive through fetchMore().
    Q_PROPERTY(int count READ count NOTIFY countChanged)
    /// The count badge of every tab, in tab order; the favourites switch does not change them.
    Q_PROPERTY(QVariantList tabCounts READ tabCounts NOTIFY tabCountsChanged)

public:
    enum Role {
        IdRole = Qt::UserRole + 1,
        KindRole,
        TextRole,
        IsCodeRole,
        UrlRole,
        ColorRole,
        ColorHexRole,
        ColorIsLightRole,
        FileNameRole,
        SourceAppNameRole,
        SourceAppBundleIdRole,
        AgeRole,
        ByteSizeTextRole,
        PinnedRole,
        InBatchRole,
        HasImageRole,
        ThumbnailUrlRole,
        AppIconUrlRole,
    };
    Q_ENUM(Role)

    /// Rows read from the store at a time.
    static constexpr int kPageSize = 60;
    /// Characters of a clip's text a card shows; the rest is never handed to the view.
    static constexpr int kPreviewLength = 400;

    /// Loads the first page of History. store and clock must outlive the model.
    ClipStripModel(Storage& store, const Clock& clock, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QHash<int, QByteArray> roleNames() const override;
    bool canFetchMore(const QModelIndex& parent) const override;
    void fetchMore(const QModelIndex& parent) override;

    int tab() const { return static_cast<int>(tab_); }
    void setTab(int tab);
    QString tabName() const;
    bool onlyFavorites() const { return onlyFavorites_; }
    void setOnlyFavorites(bool on);
    int count() const { return static_cast<int>(items_.size()); }
    QVariantList tabCounts() const;

    /// The count badge of a tab (0 for an index that names none).
    Q_INVOKABLE int countFor(int tab) const;
    /// The id of the clip in row (upper-case UUID text), or an invalid value outside the rows.
    Q_INVOKABLE QVariant idAt(int row) const;
    /// Reads the counts and the rows again, as many as were loaded (at least one page). Rows are
    /// removed, moved and inserted, not reset, so that the strip keeps its scroll position.
    Q_INVOKABLE void reload();
    /// Reads the counts and the first page afresh, in one model reset: for a fresh opening, which
    /// starts at the first card whatever was loaded or scrolled to before.
    void resetToStart();
    /// Tells the view that every row's age text may have moved on.
    void refreshAges();

    /// What a card shows of item for role (one of Role, or Qt::DisplayRole), its age against now:
    /// shared by every model whose rows are cards.
    static QVariant clipData(const ClipItem& item, int role, TimePoint now);
    /// The card roles' names, as roleNames() gives them.
    static QHash<int, QByteArray> clipRoleNames();
    /// "hace 5 min" and the like: how long before now at is, in short Spanish units.
    static QString ageText(TimePoint at, TimePoint now);
    /// "512 bytes", "12 KB", "3,4 MB", "1 GB", "1,25 GB": decimal units, as file sizes are shown.
    static QString byteSizeText(std::int64_t bytes);
    /// The last component of a stored path ("informe.pdf" for "/home/ana/informe.pdf/").
    static QString fileNameOf(const QString& path);
    /// Whether dark text reads better on the colour: 0.299 r + 0.587 g + 0.114 b > 0.6.
    static bool isLight(double red, double green, double blue);

Q_SIGNALS:
    void tabChanged();
    void onlyFavoritesChanged();
    void countChanged();
    void tabCountsChanged();

private:
    /// Reads rows [0, rows) afresh, in one model reset.
    void resetRows(std::size_t rows);
    /// Reads rows [0, rows) again and changes the loaded rows into them row by row.
    void refreshRows(std::size_t rows);
    void readCounts();

    Storage& store_;
    const Clock& clock_;
    NotchTab tab_ = NotchTab::History;
    bool onlyFavorites_ = false;
    std::vector<ClipItem> items_;
    bool atEnd_ = false;
    bool fetching_ = false;
    std::array<std::int64_t, allNotchTabs.size()> counts_{};
};

} // namespace brisa
