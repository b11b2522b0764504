// The main window's side of the card editor: card listing mode.

#include "songlist/Window1.h"

#include "editor/EditLibFile.h"
#include "songlist/CheckCommands.h"
#include "songlist/MainProperties.h"
#include "songlist/SongListView.h"
#include "sources/FolderScan.h"
#include "sources/SourceRecord.h"

#include <QCheckBox>
#include <QScrollBar>

using namespace Qt::StringLiterals;

void Window1::buildEditor()
{
    m_editor = new editLibFile(m_songs, m_props, this);
    registerCommand(QStringLiteral("openminiSD"), [this] { openminiSD_Action(); });
    registerCommand(QStringLiteral("SaveList"), [this] { saveMusicList(QString()); });
    connect(m_editor, &editLibFile::totalsChanged, m_checks, &CheckCommands::writeStatus);
    connect(m_editor, &editLibFile::modeChanged, this, [this](bool cardListing) {
        if (cardListing) {
            // The title column takes what the other shown columns leave.
            const int title = std::max(60, m_list->viewport()->width() - 34 - 95 - 80);
            m_list->setColumnWidthsText(u"34,%1,95,0,80,0,0"_s.arg(title));
            m_list->setColumnHidden(3, true);
        } else {
            m_list->setColumnHidden(3, false);
            m_list->setColumnWidthsText(m_props.lbcolumnwidth);
            m_miniSDBox->setEnabled(true);
            m_addBox->setEnabled(true);
        }
    });
    m_scan->returnMListMode = [this] { m_editor->returnMListMode(); };
}

bool Window1::showMiniSDMode() const { return m_editor && m_editor->showMiniSDMode; }

void Window1::openminiSD_Action()
{
    m_sources->setLabel(QStringLiteral("転送先フォルダのリスト"));
    if (!m_editor->showMiniSDMode)
        m_props.lbcolumnwidth = m_list->columnWidthsText();
    m_editor->openminiSD_Action();
    // The destination and the transfer mode stay as they are while the card is listed.
    m_miniSDBox->setEnabled(false);
    m_addBox->setEnabled(false);
}
