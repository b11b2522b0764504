#pragma once

#include <QObject>
#include <QPointer>

#include <functional>

class QAbstractItemView;
class QCheckBox;
class QLabel;
class QPushButton;
class QWidget;
class SongListModel;
class TransferProgressDialog;
class ReplaceOrAddDialog;
class TransferJob;
struct SessionState;
struct TransferReport;

/// The main window's side of a transfer: the transfer button's action, the question for a
/// missing destination, the confirmation dialog, the progress window, and the transfer
/// thread `transferJob` that it starts.
class TransferController final : public QObject {
    Q_OBJECT
public:
    /// What the control needs of its window.
    struct Host {
        QWidget *window = nullptr;
        SongListModel *songs = nullptr;
        QAbstractItemView *list = nullptr;
        SessionState *props = nullptr;
        QCheckBox *addBox = nullptr;
        QPushButton *transferButton = nullptr;
        QLabel *destinationLabel = nullptr;
        QLabel *capacityLabel = nullptr;
        std::function<void()> hideSourcePopup;
        /// Reads the destination's disk figures into the properties.
        std::function<void()> measureDestination;
        /// Refreshes the capacity label after a run.
        std::function<void()> showCapacity;
    };

    explicit TransferController(Host host, QObject *parent = nullptr);
    ~TransferController() override;

    TransferJob *transferJob() const { return m_thread; }
    TransferProgressDialog *progressWindow() const;
    ReplaceOrAddDialog *confirmationDialog() const;

    /// Makes sure there is a destination, then transfers at once (add mode) or asks first.
    void startTransfer();
    /// Opens the progress window and starts the transfer thread (deleting the destination's
    /// songs and management files first in replace mode).
    void runTransfer();

private:
    void onChosen(int choice);
    void onEnded(const TransferReport &report);
    void enableTransferButton();

    Host m_host;
    TransferJob *m_thread;
    QPointer<TransferProgressDialog> m_progressDialog;
    QPointer<ReplaceOrAddDialog> m_replaceOrAdd;
};
