// The main window's side of a transfer: the transfer button and its control object.

#include "songlist/Window1.h"

#include "card/MakeLibFile.h"
#include "card/Destination.h"
#include "card/TransferControl.h"
#include "platform/Prompts.h"
#include "songlist/SongListView.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>

void Window1::buildTransfer()
{
    TransferControl::Host host;
    host.window = this;
    host.songs = m_songs;
    host.list = m_list;
    host.props = &m_props;
    host.addBox = m_addBox;
    host.transferButton = m_transferButton;
    host.destinationLabel = m_destinationLabel;
    host.capacityLabel = m_capacityLabel;
    host.hideSourcePopup = [this] { hideSourcePopup(); };
    host.getDiskInfo = [this] { m_destination->getDiskInfo(); };
    host.showDiskInfo = [this] { m_destination->showDiskInfo(); };
    m_transfer = new TransferControl(std::move(host), this);
    connect(m_transferButton, &QPushButton::clicked, this, [this] {
        // In card listing mode the button will apply the card edits; until the card rewrite
        // exists it refuses with a beep rather than doing nothing.
        if (!showMiniSDMode())
            doSendMusicFiles();
        else
            Prompts::instance().beep();
    });
}

makeLibFile *Window1::makeLibFile1() const { return m_transfer->makeLibFile1(); }

void Window1::doSendMusicFiles() { m_transfer->doSendMusicFiles(); }

void Window1::doMFilecopy() { m_transfer->doMFilecopy(); }
