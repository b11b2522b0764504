#include "card/TransferControl.h"

#include "bridge/ScriptBridge.h"
#include "card/Destination.h"
#include "card/MakeLibFile.h"
#include "card/Window3.h"
#include "card/Window4.h"
#include "platform/Prompts.h"
#include "songlist/MainProperties.h"
#include "songlist/SongListModel.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

TransferControl::TransferControl(Host host, QObject *parent)
    : QObject(parent), m_host(std::move(host)), m_thread(new makeLibFile(this))
{
    // The free space goes through the bridge, so a script of that name can answer for it.
    m_thread->setFreeSpaceQuery([](const QString &volume) {
        return ScriptBridge::instance().call(QStringLiteral("gFreeSpace"), {volume});
    });
    connect(m_thread, &makeLibFile::progressChanged, this, [this](int handled, int maximum) {
        if (!m_window3)
            return;
        m_window3->progressBar()->setValue(handled);
        m_window3->counter()->setText(makeLibFile::counterText(handled, maximum));
    });
    connect(m_thread, &makeLibFile::transferEnded, this, &TransferControl::onEnded);
}

TransferControl::~TransferControl()
{
    delete m_window3;
    delete m_window4;
}

Window3 *TransferControl::progressWindow() const { return m_window3; }

Window4 *TransferControl::confirmationDialog() const { return m_window4; }

void TransferControl::enableTransferButton()
{
    if (m_host.transferButton)
        m_host.transferButton->setEnabled(true);
}

void TransferControl::doSendMusicFiles()
{
    if (m_host.hideSourcePopup)
        m_host.hideSourcePopup();
    MainProperties &props = *m_host.props;
    if (props.musicfolder.isNull()) {
        Prompts &prompts = Prompts::instance();
        prompts.showMessage(QStringLiteral("転送先のフォルダが指定されていません"), Prompts::Icon::Caution);
        const QString chosen = prompts.chooseFolder(QStringLiteral("転送先選択"), QStringLiteral("選択"));
        if (chosen.isEmpty()) {
            prompts.beep();
            enableTransferButton();
            return;
        }
        props.musicfolder = FileItem(chosen);
        if (m_host.getDiskInfo)
            m_host.getDiskInfo();
        m_host.destinationLabel->setText(props.musicfolder.colonPath());
        m_host.capacityLabel->setText(props.DiskEjectable
                                          ? Destination::capacityText(QString::fromUtf16(Destination::kCardPrefix),
                                                                      props.dsdSize, props.DiskFreeSpace)
                                          : QString());
    }
    if (m_host.addBox->isChecked()) {
        doMFilecopy();
        return;
    }
    if (m_window4)
        return;
    m_window4 = new Window4(m_host.window);
    connect(m_window4, &Window4::chosen, this, &TransferControl::onChosen);
    connect(m_window4, &Window4::closed, this, &TransferControl::enableTransferButton);
    m_window4->show();
}

void TransferControl::onChosen(int choice)
{
    if (choice == Window4::Add)
        m_host.addBox->setChecked(true);
    if (choice == Window4::Add || choice == Window4::ReplaceAll)
        doMFilecopy();
}

void TransferControl::doMFilecopy()
{
    // One run at a time: the timer re-enables the button while a transfer goes on.
    if (m_thread->isRunning()) {
        Prompts::instance().beep();
        return;
    }
    if (!m_window3) {
        m_window3 = new Window3(m_host.window);
        connect(m_window3, &Window3::stopPressed, m_thread, &makeLibFile::requestStop);
        connect(m_window3, &Window3::closed, this, &TransferControl::enableTransferButton);
    }
    m_window3->progressBar()->setMaximum(std::max(m_host.props->sumFileNum, 1));
    m_window3->progressBar()->setValue(0);
    m_window3->show();
    if (m_host.songs->rowCount() == 0) {
        Prompts::instance().beep();
        return;
    }
    m_host.list->clearSelection();
    const bool add = m_host.addBox->isChecked();
    // Replace mode empties the destination of songs, scratch copies and management files
    // first, inside the run, yielding after each file.
    m_thread->setClearFirst(!add);
    m_thread->setAddMode(add);
    m_thread->setMusicfolder(m_host.props->musicfolder);
    m_thread->setSongList(m_host.songs);
    m_thread->setProgressMaximum(m_host.props->sumFileNum);
    m_thread->setWindowMode(0);
    m_thread->start();
}

void TransferControl::onEnded(const TransferReport &report)
{
    if (m_host.showDiskInfo)
        m_host.showDiskInfo();
    if (!m_window3)
        return; // the user's stop already closed it
    if (report.message.isEmpty())
        m_window3->close();
    else
        m_window3->showReport(report.message);
}
