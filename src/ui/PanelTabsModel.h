// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QAbstractListModel>
#include <QtQml/qqmlregistration.h>

namespace brisa {

class ClipStripModel;

/// The panel's tabs in chip order, each with what its chip shows: the title, the symbol and the
/// number of clips in it (favourites ignored).
class PanelTabsModel final : public QAbstractListModel {
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("Made by NotchPanelViewModel")

public:
    enum Role { TitleRole = Qt::UserRole + 1, SymbolNameRole, CountRole };

    /// Counts come from strip, which must outlive the model.
    explicit PanelTabsModel(const ClipStripModel& strip, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QHash<int, QByteArray> roleNames() const override;

private:
    const ClipStripModel& strip_;
};

} // namespace brisa
