// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/ClipStripModel.h"

#include "core/capture/ColorParser.h"
#include "core/clips/TextPreview.h"
#include "core/store/Storage.h"
#include "ui/AppIconImageProvider.h"

#include <QColor>
#include <QLocale>
#include <QScopedValueRollback>

#include <algorithm>
#include <unordered_set>
#include <cmath>

namespace brisa {

namespace {

QString qstr(const std::optional<std::string>& s)
{
    return s ? QString::fromStdString(*s) : QString();
}

/// The start of a clip's text that a card shows.
QString preview(const std::optional<std::string>& text, int n)
{
    return text ? QString::fromStdString(textPreview(*text, static_cast<std::size_t>(n))) : QString();
}

double unit(double c)
{
    return std::isfinite(c) ? std::clamp(c, 0.0, 1.0) : 0.0;
}

} // namespace

ClipStripModel::ClipStripModel(Storage& store, const Clock& clock, QObject* parent)
    : QAbstractListModel(parent), store_(store), clock_(clock)
{
    readCounts();
    resetRows(kPageSize);
}

int ClipStripModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : count();
}

bool ClipStripModel::canFetchMore(const QModelIndex& parent) const
{
    return !parent.isValid() && !atEnd_;
}

void ClipStripModel::fetchMore(const QModelIndex& parent)
{
    // A view (or a model checker) may ask for more from its rowsInserted or modelReset handler,
    // while this model is still announcing a change: that request waits for the next fetchMore().
    if (parent.isValid() || atEnd_ || fetching_)
        return;
    const QScopedValueRollback<bool> busy(fetching_, true);
    auto page = store_.fetchPanelPage(tab_, onlyFavorites_, items_.size(), kPageSize);
    atEnd_ = page.size() < static_cast<std::size_t>(kPageSize);
    if (page.empty())
        return;
    const int first = count();
    beginInsertRows({}, first, first + static_cast<int>(page.size()) - 1);
    std::move(page.begin(), page.end(), std::back_inserter(items_));
    endInsertRows();
    Q_EMIT countChanged();
}

void ClipStripModel::resetRows(std::size_t rows)
{
    const int before = count();
    rows = std::max<std::size_t>(rows, kPageSize);
    const QScopedValueRollback<bool> busy(fetching_, true);
    beginResetModel();
    items_ = store_.fetchPanelPage(tab_, onlyFavorites_, 0, rows);
    atEnd_ = items_.size() < rows;
    endResetModel();
    if (count() != before)
        Q_EMIT countChanged();
}

void ClipStripModel::readCounts()
{
    auto counts = counts_;
    for (std::size_t i = 0; i < allNotchTabs.size(); ++i)
        counts[i] = store_.countForTab(allNotchTabs[i]);
    if (counts != counts_) {
        counts_ = counts;
        Q_EMIT tabCountsChanged();
    }
}

void ClipStripModel::setTab(int tab)
{
    if (tab < 0 || tab >= static_cast<int>(allNotchTabs.size()) || tab == this->tab())
        return;
    tab_ = allNotchTabs[static_cast<std::size_t>(tab)];
    resetRows(kPageSize); // a new tab starts at its first card
    Q_EMIT tabChanged();
}

QString ClipStripModel::tabName() const
{
    return QString::fromUtf8(rawValue(tab_).data(), static_cast<qsizetype>(rawValue(tab_).size()));
}

void ClipStripModel::setOnlyFavorites(bool on)
{
    if (on == onlyFavorites_)
        return;
    onlyFavorites_ = on;
    resetRows(kPageSize);
    Q_EMIT onlyFavoritesChanged();
}

QVariantList ClipStripModel::tabCounts() const
{
    QVariantList out;
    for (auto c : counts_)
        out.append(static_cast<qlonglong>(c));
    return out;
}

int ClipStripModel::countFor(int tab) const
{
    if (tab < 0 || tab >= static_cast<int>(counts_.size()))
        return 0;
    return static_cast<int>(std::min<std::int64_t>(counts_[static_cast<std::size_t>(tab)], INT_MAX));
}

QVariant ClipStripModel::idAt(int row) const
{
    if (row < 0 || row >= count())
        return {};
    return QString::fromStdString(items_[static_cast<std::size_t>(row)].id.toString());
}

void ClipStripModel::reload()
{
    readCounts();
    refreshRows(items_.size());
}

void ClipStripModel::refreshRows(std::size_t rows)
{
    rows = std::max<std::size_t>(rows, kPageSize);
    std::vector<ClipItem> fresh = store_.fetchPanelPage(tab_, onlyFavorites_, 0, rows);
    const int before = count();
    const QScopedValueRollback<bool> busy(fetching_, true);

    // Rows whose clip is gone, a run at a time from the back so that the indexes stay valid.
    std::unordered_set<Uuid> kept;
    kept.reserve(fresh.size());
    for (const auto& item : fresh)
        kept.insert(item.id);
    for (int last = count() - 1; last >= 0; --last) {
        if (kept.contains(items_[static_cast<std::size_t>(last)].id))
            continue;
        int first = last;
        while (first > 0 && !kept.contains(items_[static_cast<std::size_t>(first - 1)].id))
            --first;
        beginRemoveRows({}, first, last);
        items_.erase(items_.begin() + first, items_.begin() + last + 1);
        endRemoveRows();
        last = first;
    }
    // Every row left is in fresh: walk it, moving rows that changed place (a pin) and inserting
    // new clips where they belong.
    for (std::size_t i = 0; i < fresh.size(); ++i) {
        const int row = static_cast<int>(i);
        if (i < items_.size() && items_[i].id == fresh[i].id) {
            items_[i] = std::move(fresh[i]);
            continue;
        }
        const auto found = std::find_if(items_.begin() + row, items_.end(),
                                        [&](const ClipItem& item) { return item.id == fresh[i].id; });
        if (found != items_.end()) {
            const int from = static_cast<int>(found - items_.begin());
            beginMoveRows({}, from, from, {}, row);
            std::rotate(items_.begin() + row, found, found + 1);
            items_[i] = std::move(fresh[i]);
            endMoveRows();
        } else {
            beginInsertRows({}, row, row);
            items_.insert(items_.begin() + row, std::move(fresh[i]));
            endInsertRows();
        }
    }
    if (items_.size() > fresh.size()) { // cannot happen: every row left was found in fresh
        beginRemoveRows({}, static_cast<int>(fresh.size()), count() - 1);
        items_.resize(fresh.size());
        endRemoveRows();
    }
    atEnd_ = fresh.size() < rows;
    if (!items_.empty()) // what a card shows may have changed, its age at least
        Q_EMIT dataChanged(index(0), index(count() - 1));
    if (count() != before)
        Q_EMIT countChanged();
}

void ClipStripModel::resetToStart()
{
    readCounts();
    resetRows(kPageSize);
}

void ClipStripModel::refreshAges()
{
    if (!items_.empty())
        Q_EMIT dataChanged(index(0), index(count() - 1), {AgeRole});
}

QHash<int, QByteArray> ClipStripModel::roleNames() const { return clipRoleNames(); }

QHash<int, QByteArray> ClipStripModel::clipRoleNames()
{
    return {
        {IdRole, "id"},
        {KindRole, "kind"},
        {TextRole, "text"},
        {IsCodeRole, "isCode"},
        {UrlRole, "url"},
        {ColorRole, "color"},
        {ColorHexRole, "colorHex"},
        {ColorIsLightRole, "colorIsLight"},
        {FileNameRole, "fileName"},
        {SourceAppNameRole, "sourceAppName"},
        {SourceAppBundleIdRole, "sourceAppBundleID"},
        {AgeRole, "age"},
        {ByteSizeTextRole, "byteSizeText"},
        {PinnedRole, "pinned"},
        {InBatchRole, "inBatch"},
        {HasImageRole, "hasImage"},
        {ThumbnailUrlRole, "thumbnailUrl"},
        {AppIconUrlRole, "appIconUrl"},
    };
}

QVariant ClipStripModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.model() != this || index.row() < 0 || index.row() >= count())
        return {};
    return clipData(items_[static_cast<std::size_t>(index.row())], role, clock_.now());
}

QVariant ClipStripModel::clipData(const ClipItem& item, int role, TimePoint now)
{
    const ClipType type = item.type();
    const bool isImage = type == ClipType::Image || type == ClipType::Screenshot;
    switch (role) {
    case IdRole: return QString::fromStdString(item.id.toString());
    case KindRole: {
        const auto raw = rawValue(type);
        return QString::fromUtf8(raw.data(), static_cast<qsizetype>(raw.size()));
    }
    case Qt::DisplayRole:
    case TextRole: return preview(item.textContent, kPreviewLength);
    case IsCodeRole: return type == ClipType::Code;
    case UrlRole: return type == ClipType::Link ? qstr(item.textContent) : QString();
    case ColorRole:
    case ColorHexRole:
    case ColorIsLightRole: {
        if (type != ClipType::Color)
            return role == ColorIsLightRole ? QVariant(false) : QVariant();
        const auto parsed = ColorParser::color(item.textContent.value_or(""));
        // A colour that does not parse is drawn grey, with its text as it was copied.
        const RgbaColor c = parsed.value_or(RgbaColor{0.5, 0.5, 0.5, 1});
        if (role == ColorRole)
            return QColor::fromRgbF(static_cast<float>(unit(c.red)), static_cast<float>(unit(c.green)),
                                    static_cast<float>(unit(c.blue)), static_cast<float>(unit(c.alpha)));
        if (role == ColorIsLightRole)
            return isLight(unit(c.red), unit(c.green), unit(c.blue));
        const auto hex = ColorParser::normalizedHex(item.textContent.value_or(""));
        return hex ? QString::fromStdString(*hex) : preview(item.textContent, kPreviewLength);
    }
    case FileNameRole: return type == ClipType::File ? fileNameOf(qstr(item.textContent)) : QString();
    case SourceAppNameRole: return qstr(item.sourceAppName);
    case SourceAppBundleIdRole: return qstr(item.sourceAppBundleID);
    case AgeRole: return ageText(item.createdAt, now);
    case ByteSizeTextRole: return byteSizeText(item.byteSize);
    case PinnedRole: return item.isPinned;
    case InBatchRole: return item.batchID.has_value();
    case HasImageRole: return isImage;
    case ThumbnailUrlRole:
        return isImage ? QStringLiteral("image://brisa-thumbs/") + QString::fromStdString(item.id.toString())
                       : QString();
    case AppIconUrlRole: return AppIconImageProvider::urlFor(qstr(item.sourceAppBundleID));
    default: return {};
    }
}

QString ClipStripModel::ageText(TimePoint at, TimePoint now)
{
    using namespace std::chrono;
    // A clip stamped a little in the future (a clock set back) is simply new.
    const auto s = duration_cast<seconds>(now - at).count();
    if (s < 1)
        return QStringLiteral("ahora");
    if (s < 60)
        return QStringLiteral("hace %1 s").arg(s);
    const auto min = s / 60;
    if (min < 60)
        return QStringLiteral("hace %1 min").arg(min);
    const auto h = min / 60;
    if (h < 24)
        return QStringLiteral("hace %1 h").arg(h);
    const auto d = h / 24;
    if (d < 7)
        return d == 1 ? QStringLiteral("hace 1 día") : QStringLiteral("hace %1 días").arg(d);
    if (d < 30)
        return QStringLiteral("hace %1 sem.").arg(d / 7);
    if (d < 365)
        return d / 30 == 1 ? QStringLiteral("hace 1 mes") : QStringLiteral("hace %1 meses").arg(d / 30);
    const auto y = d / 365;
    return y == 1 ? QStringLiteral("hace 1 año") : QStringLiteral("hace %1 años").arg(y);
}

QString ClipStripModel::byteSizeText(std::int64_t bytes)
{
    if (bytes <= 0)
        return QStringLiteral("0 bytes"); // negative sizes only come from scripts
    if (bytes == 1)
        return QStringLiteral("1 byte");
    if (bytes < 1000)
        return QStringLiteral("%1 bytes").arg(bytes);
    const double b = static_cast<double>(bytes);
    // Up to one decimal for MB and two for GB, without trailing zeros ("1 MB", "1,5 GB").
    const auto decimal = [](double value, int digits) {
        static const QLocale spanish(QLocale::Spanish, QLocale::Spain);
        QString text = spanish.toString(value, 'f', digits);
        while (text.endsWith(QLatin1Char('0')) && text.contains(spanish.decimalPoint()))
            text.chop(1);
        if (text.endsWith(spanish.decimalPoint()))
            text.chop(spanish.decimalPoint().size());
        return text;
    };
    // Rounding can carry into the next unit (999 999 bytes are 1 MB, not 1000 KB).
    if (std::llround(b / 1e3) < 1000)
        return QStringLiteral("%1 KB").arg(std::llround(b / 1e3));
    if (std::round(b / 1e5) < 10000)
        return decimal(std::max(b / 1e6, 1.0), 1) + QStringLiteral(" MB");
    return decimal(b / 1e9, 2) + QStringLiteral(" GB");
}

QString ClipStripModel::fileNameOf(const QString& path)
{
    QString p = path.trimmed();
    while (p.size() > 1 && p.endsWith(QLatin1Char('/')))
        p.chop(1);
    const auto slash = p.lastIndexOf(QLatin1Char('/'));
    return slash < 0 || p.size() == 1 ? p : p.mid(slash + 1);
}

bool ClipStripModel::isLight(double red, double green, double blue)
{
    return 0.299 * red + 0.587 * green + 0.114 * blue > 0.6;
}

} // namespace brisa
