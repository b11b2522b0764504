#include "gui/sources/SongListDialog.h"

#include "core/platform/FileItem.h"
#include "core/platform/Prompts.h"
#include "core/prefs/Preferences.h"
#include "core/sources/SongListFolder.h"
#include "gui/widgets/UiFonts.h"

#include <QCheckBox>
#include <QFrame>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>

using namespace Qt::StringLiterals;

namespace {
enum Column { NameColumn = 0, DateColumn = 1, FileColumn = 2 };
}

SongListDialog::SongListDialog(Mode mode, const QString &listFolder, const QString &lastSelected, QWidget *parent)
    : QDialog(parent), m_mode(mode), m_listFolder(listFolder)
{
    setObjectName(u"SongListDialog"_s);
    setWindowTitle(u"開く"_s);
    setAttribute(Qt::WA_DeleteOnClose);
    setFixedSize(kSize);

    m_hint = new QLabel(u"曲リストファイルを選択して下さい。 Ctrl-クリック で複数選択出来ます。"_s, this);
    m_hint->setObjectName(u"hint"_s);
    m_hint->setFont(UiFonts::gothic(10));
    m_hint->setGeometry(12, 22, 333, 20);

    m_nameLabel = new QLabel(u"別名で保存:"_s, this);
    m_nameLabel->setFont(UiFonts::gothic(11));
    m_nameLabel->setGeometry(22, 10, 73, 20);
    m_name = new QLineEdit(this);
    m_name->setObjectName(u"nameField"_s);
    m_name->setFont(UiFonts::osaka(12));
    m_name->setGeometry(95, 8, 191, 22);

    m_separator = new QFrame(this);
    m_separator->setFrameShape(QFrame::HLine);
    m_separator->setFrameShadow(QFrame::Sunken);
    m_separator->setGeometry(0, 38, 357, 2);

    m_list = new QTreeWidget(this);
    m_list->setObjectName(u"lists"_s);
    m_list->setColumnCount(3);
    m_list->setHeaderLabels({u"曲リスト名"_s, u"更新日"_s, QString()});
    m_list->setRootIsDecorated(false);
    m_list->setUniformRowHeights(true);
    m_list->setSelectionMode(mode == Mode::Open ? QAbstractItemView::ExtendedSelection
                                                : QAbstractItemView::SingleSelection);
    m_list->setFont(UiFonts::osaka(11));
    m_list->setColumnHidden(FileColumn, true);
    QHeaderView *header = m_list->header();
    header->setStretchLastSection(false);
    header->setSectionResizeMode(NameColumn, QHeaderView::Stretch);
    header->setSectionResizeMode(DateColumn, QHeaderView::Fixed);
    header->resizeSection(DateColumn, 80);

    m_confirm = new QPushButton(this);
    m_confirm->setObjectName(u"confirmButton"_s);
    m_confirm->setDefault(true);
    m_second = new QPushButton(this);
    m_second->setObjectName(u"secondButton"_s);
    m_cancel = new QPushButton(u"キャンセル"_s, this);
    m_cancel->setObjectName(u"cancelButton"_s);
    m_replace = new QCheckBox(u"現在のリストと入替える"_s, this);
    m_replace->setObjectName(u"replaceBox"_s);
    m_replace->setFont(UiFonts::gothic(10));
    m_replace->setGeometry(155, 291, 152, 18);

    connect(m_list, &QTreeWidget::itemSelectionChanged, this, &SongListDialog::onSelectionChanged);
    connect(m_list, &QTreeWidget::itemDoubleClicked, this, [this] {
        if (m_mode == Mode::Open)
            confirm();
    });
    connect(m_name, &QLineEdit::textChanged, this, [this](const QString &text) {
        if (m_mode == Mode::Save)
            m_confirm->setEnabled(!text.isEmpty());
    });
    connect(m_replace, &QCheckBox::toggled, this, [](bool on) { preference::listOpenReplaces = on ? 1 : 0; });
    connect(m_confirm, &QPushButton::clicked, this, &SongListDialog::confirm);
    connect(m_second, &QPushButton::clicked, this, &SongListDialog::second);
    connect(m_cancel, &QPushButton::clicked, this, &SongListDialog::close);

    fill(listFolder, lastSelected);
    applyMode();
}

void SongListDialog::fill(const QString &listFolder, const QString &lastSelected)
{
    const SongListFolder::Listing listing = SongListFolder::lists(listFolder, lastSelected);
    QList<QTreeWidgetItem *> items;
    const QFont dateFont = UiFonts::osaka(9);
    for (const SongListFolder::Entry &e : listing.entries) {
        items << new QTreeWidgetItem(QStringList{e.name, e.dateText, e.fileName});
        items.last()->setFont(DateColumn, dateFont);
    }
    m_list->addTopLevelItems(items);
    if (listing.preselected >= 0) {
        QTreeWidgetItem *item = m_list->topLevelItem(listing.preselected);
        m_list->setCurrentItem(item);
        m_name->setText(item->text(NameColumn));
        m_name->end(false);
    }
    m_replace->setChecked(preference::listOpenReplaces == 1);
}

void SongListDialog::applyMode()
{
    const bool open = m_mode == Mode::Open;
    m_hint->setVisible(open);
    m_nameLabel->setVisible(!open);
    m_name->setVisible(!open);
    m_separator->setVisible(!open);
    m_cancel->setVisible(open);
    m_replace->setVisible(open);
    m_list->setGeometry(12, 47, 333, open ? 200 : 224);
    const int top = open ? 261 : 283;
    m_confirm->setGeometry(252, top, 85, 20);
    m_second->setGeometry(155, top, 85, 20);
    m_cancel->setGeometry(20, top, 75, 20);
    m_confirm->setText(open ? u"開く"_s : u"保存"_s);
    m_second->setText(open ? u"全て"_s : u"キャンセル"_s);
    m_confirm->setEnabled(open ? !m_list->selectedItems().isEmpty() : !m_name->text().isEmpty());
    if (!open)
        m_name->setFocus();
}

void SongListDialog::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    applyMode();
}

QStringList SongListDialog::selectedFiles() const
{
    QStringList files;
    for (int r = 0; r < m_list->topLevelItemCount(); ++r)
        if (const QTreeWidgetItem *item = m_list->topLevelItem(r); item->isSelected())
            files << item->text(FileColumn);
    return files;
}

void SongListDialog::onSelectionChanged()
{
    if (m_mode == Mode::Open) {
        m_confirm->setEnabled(!m_list->selectedItems().isEmpty());
    } else if (!m_list->selectedItems().isEmpty()) {
        m_name->setText(m_list->selectedItems().first()->text(NameColumn));
    }
}

void SongListDialog::confirm()
{
    if (m_mode == Mode::Save) {
        save();
        return;
    }
    const QStringList files = selectedFiles();
    if (!files.isEmpty())
        emit openRequested(files, m_replace->isChecked());
    close();
}

void SongListDialog::second()
{
    if (m_mode == Mode::Open && m_list->topLevelItemCount() > 0)
        emit openAllRequested(m_replace->isChecked());
    close();
}

void SongListDialog::save()
{
    const QString name = m_name->text();
    Prompts &prompts = Prompts::instance();
    switch (SongListFolder::checkSaveName(m_listFolder, name)) {
    case SongListFolder::SaveCheck::Refused:
        prompts.beep();
        return;
    case SongListFolder::SaveCheck::Empty:
        close();
        return;
    case SongListFolder::SaveCheck::ExportExists: {
        const QString file = name + u".txt"_s;
        if (prompts.askOkCancel(SongListFolder::overwriteQuestion(file), Prompts::Icon::Caution, true)
            != Prompts::Answer::Ok)
            return;
        if (FileItem(m_listFolder).child(file).remove() != 0) {
            prompts.showMessage(u"曲リストを保存できませんでした。"_s, Prompts::Icon::Caution);
            return;
        }
        break;
    }
    case SongListFolder::SaveCheck::OwnExists:
        if (prompts.askOkCancel(SongListFolder::overwriteQuestion(name + u".list"_s), Prompts::Icon::Caution, true)
            != Prompts::Answer::Ok)
            return;
        break;
    case SongListFolder::SaveCheck::Free:
        break;
    }
    emit saveRequested(name);
    close();
}
