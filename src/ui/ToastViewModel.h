// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/capture/ToastData.h"
#include "core/support/Clock.h"

#include <QObject>
#include <QString>
#include <QUrl>
#include <QtQml/qqmlregistration.h>

#include <filesystem>
#include <memory>
#include <optional>

namespace brisa {

class ImageLibrary;
class ToastController;

/// The toast as the pill draws it. It keeps the data on screen through the exit animation (the
/// controller forgets it as the hide starts) and hands the pointer and drag events back.
class ToastViewModel : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("Made by the application around its ToastController")
    /// A toast is current: the pill is in or coming in.
    Q_PROPERTY(bool active READ active NOTIFY activeChanged)
    /// There is data to draw: true from a show until the exit animation has run.
    Q_PROPERTY(bool hasData READ hasData NOTIFY dataChanged)
    Q_PROPERTY(QString title READ title NOTIFY dataChanged)
    /// Empty when the toast has no second line.
    Q_PROPERTY(QString subtitle READ subtitle NOTIFY dataChanged)
    /// The symbol's name, for the tile shown without a thumbnail.
    Q_PROPERTY(QString symbol READ symbol NOTIFY dataChanged)
    /// "text", "code", "link", "image", "screenshot", "color", "file" or "notice".
    Q_PROPERTY(QString kind READ kind NOTIFY dataChanged)
    /// The decoded thumbnail, cropped and rounded, as a data URL; empty when there is none or it
    /// does not decode.
    Q_PROPERTY(QUrl thumbnail READ thumbnail NOTIFY dataChanged)
    /// Whether dragging the pill would carry anything out.
    Q_PROPERTY(bool draggable READ draggable NOTIFY dataChanged)
    Q_PROPERTY(int showID READ showID NOTIFY showIDChanged)
    Q_PROPERTY(bool isPaused READ isPaused NOTIFY isPausedChanged)
    Q_PROPERTY(bool hasNotch READ hasNotch NOTIFY hasNotchChanged)
    /// The share of the countdown left, as of the last updateFraction().
    Q_PROPERTY(double fraction READ fraction NOTIFY fractionChanged)
    /// The pill is being dragged; with a thumbnail it shrinks to the thumbnail alone.
    Q_PROPERTY(bool dragging READ dragging NOTIFY draggingChanged)
    Q_PROPERTY(bool collapsed READ collapsed NOTIFY draggingChanged)

public:
    /// The pill goes this long after its toast is hidden, once the exit animation has run.
    static constexpr Duration kRemoveDelay{350};

    /// controller, scheduler and images must outlive the model. Dragged images come from imagesDir,
    /// those Qt cannot read decoded by images (see clipMimeData).
    ToastViewModel(ToastController& controller, Scheduler& scheduler, std::filesystem::path imagesDir = {},
                   const ImageLibrary* images = nullptr, QObject* parent = nullptr);
    ~ToastViewModel() override;

    bool active() const { return active_; }
    bool hasData() const { return frozen_.has_value(); }
    QString title() const;
    QString subtitle() const;
    QString symbol() const;
    QString kind() const;
    QUrl thumbnail() const { return thumbnail_; }
    bool draggable() const { return draggable_; }
    int showID() const;
    bool isPaused() const;
    bool hasNotch() const;
    double fraction() const { return fraction_; }
    bool dragging() const { return dragging_; }
    bool collapsed() const { return dragging_ && !thumbnail_.isEmpty(); }

    /// Reads the countdown again; the view calls it on every frame while the pill is up.
    Q_INVOKABLE void updateFraction();
    /// The pointer entered the pill: the countdown stops.
    Q_INVOKABLE void pointerEntered();
    /// The pointer left the pill: the countdown goes on.
    Q_INVOKABLE void pointerLeft();
    /// A drag of the pill began: it collapses.
    Q_INVOKABLE void dragStarted();
    /// Drags the toast's clip out after dragStarted(); returns when it is dropped or given up.
    Q_INVOKABLE void startDrag();

    /// The thumbnail bytes decoded, cropped to fill 72 × 58 at three times the size and rounded;
    /// an empty URL when they do not decode as an image.
    static QUrl thumbnailUrl(const Bytes& bytes);

Q_SIGNALS:
    void activeChanged();
    void dataChanged();
    void showIDChanged();
    void isPausedChanged();
    void hasNotchChanged();
    void fractionChanged();
    void draggingChanged();
    /// A toast was shown (even with the same data): the pill animates in.
    void revealed();
    /// The toast was hidden: the pill animates out.
    void concealed();

private:
    void onCurrentChanged();
    void onShown();
    void setFrozen(std::optional<ToastData> data);
    void setDragging(bool dragging);

    ToastController& controller_;
    Scheduler& scheduler_;
    std::filesystem::path imagesDir_;
    const ImageLibrary* images_;
    bool active_ = false;
    std::optional<ToastData> frozen_;
    QUrl thumbnail_;
    bool draggable_ = false;
    double fraction_ = 0;
    bool dragging_ = false;
    std::optional<Scheduler::TaskId> removeWork_;
    /// Expires with the model, so the controller's callbacks and delayed work find out it is gone.
    std::shared_ptr<char> alive_ = std::make_shared<char>();
};

} // namespace brisa
