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
class Window3;
class Window4;
class makeLibFile;
struct MainProperties;
struct TransferReport;

/// The main window's side of a transfer: the transfer button's action, the question for a
/// missing destination, the confirmation dialog, the progress window, and the transfer
/// thread `makeLibFile1` that it starts.
class TransferControl final : public QObject {
    Q_OBJECT
public:
    /// What the control needs of its window.
    struct Host {
        QWidget *window = nullptr;
        SongListModel *songs = nullptr;
        QAbstractItemView *list = nullptr;
        MainProperties *props = nullptr;
        QCheckBox *addBox = nullptr;
        QPushButton *transferButton = nullptr;
        QLabel *destinationLabel = nullptr;
        QLabel *capacityLabel = nullptr;
        std::function<void()> hideSourcePopup;
        /// Reads the destination's disk figures into the properties.
        std::function<void()> getDiskInfo;
        /// Refreshes the capacity label after a run.
        std::function<void()> showDiskInfo;
    };

    explicit TransferControl(Host host, QObject *parent = nullptr);
    ~TransferControl() override;

    makeLibFile *makeLibFile1() const { return m_thread; }
    Window3 *progressWindow() const;
    Window4 *confirmationDialog() const;

    /// Makes sure there is a destination, then transfers at once (add mode) or asks first.
    void doSendMusicFiles();
    /// Opens the progress window and starts the transfer thread (deleting the destination's
    /// songs and management files first in replace mode).
    void doMFilecopy();

private:
    void onChosen(int choice);
    void onEnded(const TransferReport &report);
    void enableTransferButton();

    Host m_host;
    makeLibFile *m_thread;
    QPointer<Window3> m_window3;
    QPointer<Window4> m_window4;
};
