// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QFont>
#include <QObject>
#include <QString>
#include <QtQml/qqmlregistration.h>

#include <string>

namespace brisa {

/// Where a quick note goes when saved: the clip store, as a new clip.
class NoteStore {
public:
    /// Stores a trimmed note (UTF-8); false when it could not be stored.
    virtual bool saveNote(const std::string& note) = 0;

protected:
    ~NoteStore() = default;
};

/// The quick note being edited and its rules: what may be saved and how it is handed to the store.
/// The view binds to it; the window controller closes the window on saved() and cancelled().
class QuickNoteController : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("Made by QuickNoteWindowController")
    Q_PROPERTY(QString text READ text WRITE setText NOTIFY textChanged)
    /// False while the text trimmed of whitespace and line breaks is empty.
    Q_PROPERTY(bool canSave READ canSave NOTIFY canSaveChanged)
    Q_PROPERTY(QString title READ title CONSTANT)
    Q_PROPERTY(QString hint READ hint CONSTANT)
    Q_PROPERTY(QString cancelLabel READ cancelLabel CONSTANT)
    Q_PROPERTY(QString saveLabel READ saveLabel CONSTANT)
    /// The system's fixed-pitch font at the size of body text.
    Q_PROPERTY(QFont editorFont READ editorFont CONSTANT)

public:
    /// store must outlive the controller; null: nothing can be saved.
    explicit QuickNoteController(NoteStore* store, QObject* parent = nullptr);

    QString text() const { return text_; }
    void setText(const QString& text);
    bool canSave() const { return canSave_; }

    static QString title();
    static QString hint();
    static QString cancelLabel();
    static QString saveLabel();
    static QFont editorFont();

    /// The text without leading and trailing whitespace and line breaks (Unicode's, not only ASCII).
    static QString trimmedNote(const QString& text);

    /// Hands the trimmed text to the store when there is any; true and saved() when it was stored.
    /// A refused note keeps its text so that nothing typed is lost.
    Q_INVOKABLE bool save();
    /// Gives up the note: cancelled().
    Q_INVOKABLE void cancel();

Q_SIGNALS:
    void textChanged();
    void canSaveChanged();
    /// The note is in the store; the window goes and the next one starts empty.
    void saved();
    /// The user gave up the note; the window goes and the next one starts empty.
    void cancelled();

private:
    NoteStore* store_;
    QString text_;
    bool canSave_ = false;
};

} // namespace brisa
