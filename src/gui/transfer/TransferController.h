#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

class QWidget;
class SongListModel;
class TransferProgressDialog;
class ReplaceOrAddDialog;
class TransferJob;
struct SessionState;
struct TransferReport;

/// The main window's side of a transfer: the transfer button's action, the question for a
/// missing destination, the confirmation dialog, the progress window, and the transfer
/// thread `transferJob` that it starts. It reads the song list and the session, takes the
/// add box's state through setAddMode(), and tells the window through its signals what to
/// show; it touches none of the window's controls.
class TransferController final : public QObject {
    Q_OBJECT
public:
    /// `window` is the parent of the dialogs; `songs` and `session` are the window's.
    TransferController(QWidget *window, SongListModel *songs, SessionState *session, QObject *parent = nullptr);
    ~TransferController() override;

    TransferJob *transferJob() const { return m_thread; }
    TransferProgressDialog *progressWindow() const;
    ReplaceOrAddDialog *confirmationDialog() const;

    /// The add box: on, a transfer adds at once; off, it asks first and replaces.
    bool addMode() const { return m_addMode; }
    void setAddMode(bool add) { m_addMode = add; }

    /// Makes sure there is a destination, then transfers at once (add mode) or asks first.
    /// A list with no checked song is refused with a message before anything is asked.
    void startTransfer();
    /// Opens the progress window and starts the transfer thread (deleting the destination's
    /// songs and management files first in replace mode); refuses a list with no checked song.
    void runTransfer();

signals:
    /// The transfer button was pressed: the source popup closes.
    void popupShouldHide();
    /// A destination was just chosen: its disk figures are wanted in the session before
    /// the controller goes on (connect directly).
    void destinationShouldBeMeasured();
    /// The chosen destination and its room, for the destination and capacity labels.
    void destinationChosen(const QString &destinationText, const QString &capacityText);
    /// The confirmation's "add" was chosen: the add box turns on.
    void addModeChosen();
    /// A run is starting: the list's selection goes.
    void selectionShouldClear();
    /// A run ended: the capacity label shows the card's room anew.
    void capacityShouldRefresh();
    /// The transfer button may be pressed again.
    void transferButtonShouldEnable();
    /// A run ended: how it went, in one line ("6曲転送しました").
    void outcomeReady(const QString &text);

private:
    /// Shows why and returns true when no row is checked.
    bool refuseEmptyList();
    void onChosen(int choice);
    void onEnded(const TransferReport &report);

    QPointer<QWidget> m_window;
    SongListModel *m_songs;
    SessionState *m_session;
    bool m_addMode = false;
    TransferJob *m_thread;
    QPointer<TransferProgressDialog> m_progressDialog;
    QPointer<ReplaceOrAddDialog> m_replaceOrAdd;
};
