#include "gui/prefs/PreferencesDialog.h"

#include "core/platform/AppPaths.h"
#include "core/platform/FileItem.h"
#include "core/platform/Prompts.h"
#include "gui/widgets/UiFonts.h"
#include "core/prefs/Preferences.h"
#include "core/prefs/RecentFolders.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFocusEvent>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QSignalBlocker>

using namespace Qt::StringLiterals;
using PrefsForm::AlbumPopup;
using PrefsForm::ArtistPopup;
using PrefsForm::TitlePopup;

namespace {

QLabel *label(QWidget *parent, const QString &text, QRect place, int points = 12)
{
    auto *l = new QLabel(text, parent);
    l->setGeometry(place);
    l->setFont(UiFonts::gothic(points));
    return l;
}

// A field whose whole value is selected whenever it takes the focus, so that typing replaces
// the value instead of adding to it. A drag still selects a part; coming back to the window
// leaves the selection as it was.
class WholeValueField final : public QLineEdit {
public:
    using QLineEdit::QLineEdit;

protected:
    void focusInEvent(QFocusEvent *event) override
    {
        QLineEdit::focusInEvent(event);
        const Qt::FocusReason reason = event->reason();
        if (reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason)
            return;
        selectAll();
        m_focusedByClick = reason == Qt::MouseFocusReason;
    }

    void mouseReleaseEvent(QMouseEvent *event) override
    {
        QLineEdit::mouseReleaseEvent(event);
        // The press that gave the focus has put the insertion point under the mouse.
        if (m_focusedByClick && !hasSelectedText())
            selectAll();
        m_focusedByClick = false;
    }

private:
    bool m_focusedByClick = false;
};

// Only digits can be typed; a longer value already stored is still shown whole, so opening
// the dialog and pressing "設定" never cuts a number.
QLineEdit *digitField(QLineEdit *field, const QString &name, QRect place, int digits)
{
    field->setObjectName(name);
    field->setGeometry(place);
    field->setFont(UiFonts::gothic(12));
    field->setValidator(new QRegularExpressionValidator(
        QRegularExpression(u"[0-9]{0,%1}"_s.arg(digits)), field));
    return field;
}

QPushButton *button(QWidget *parent, const QString &name, const QString &caption, QRect place)
{
    auto *b = new QPushButton(caption, parent);
    b->setObjectName(name);
    b->setGeometry(place);
    b->setFont(UiFonts::gothic(12));
    b->setAutoDefault(false);
    return b;
}

} // namespace

PreferencesDialog::PreferencesDialog(QWidget *parent) : QDialog(parent)
{
    setObjectName(u"PreferencesDialog"_s);
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(u"環境設定"_s);
    setFixedSize(479, 460);

    buildDestinationGroup();
    buildTitleGroup();
    buildBottomRows();
    load();
}

void PreferencesDialog::buildDestinationGroup()
{
    auto *group = new QGroupBox(u"転送先フォルダ"_s, this);
    group->setGeometry(18, 13, 444, 176);
    group->setFont(UiFonts::gothic(12));

    auto *intro = label(this, u"転送先（miniSD)フォルダを選択してください。フォルダが無い場合はメディアを選択してから下のフォルダを作成ボタンをクリックして下さい。\n"_s,
                        QRect(34, 43, 405, 37), 11);
    intro->setWordWrap(true);
    intro->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    m_path = new QLineEdit(this);
    m_path->setObjectName(u"pathField"_s);
    m_path->setGeometry(34, 82, 345, 21);
    m_path->setFont(UiFonts::gothic(12));
    connect(button(this, u"chooseButton"_s, u"選択"_s, QRect(391, 82, 55, 20)), &QPushButton::clicked, this,
            &PreferencesDialog::chooseDestination);

    label(this, u"デフォルト　\""_s + PrefsForm::kDefaultDestination.toString() + u'"', QRect(34, 116, 289, 20), 11);
    connect(button(this, u"createButton"_s, u"フォルダを作成"_s, QRect(342, 115, 104, 20)), &QPushButton::clicked,
            this, &PreferencesDialog::createCardFolder);

    label(this, u"指定したフリー領域を残して曲ファイルを転送します。"_s, QRect(34, 152, 294, 20), 11);
    m_keepSpace = new QCheckBox(this);
    m_keepSpace->setObjectName(u"keepSpaceBox"_s);
    m_keepSpace->setGeometry(338, 152, 23, 20);
    m_megabytes = digitField(new WholeValueField(this), u"keepSpaceField"_s, QRect(359, 151, 32, 22), 3);
    m_megabytes->setEnabled(false);
    label(this, u"MB 残す"_s, QRect(394, 152, 50, 20));
    connect(m_keepSpace, &QCheckBox::toggled, this, &PreferencesDialog::keepSpaceToggled);
}

void PreferencesDialog::buildTitleGroup()
{
    auto *group = new QGroupBox(u"タイトル"_s, this);
    group->setGeometry(18, 201, 444, 123);
    group->setFont(UiFonts::gothic(12));

    const QString captions[3] = {u"曲名"_s, u"ｱｰﾃｨｽﾄ"_s, u"アルバム"_s};
    const int captionLefts[3] = {102, 160, 218};
    const int popupLefts[3] = {90, 153, 215};
    const int fieldLefts[3] = {99, 162, 224};
    const QString names[3] = {u"title"_s, u"artist"_s, u"album"_s};
    label(this, u"順番："_s, QRect(40, 246, 50, 20));
    label(this, u"文字数："_s, QRect(40, 274, 60, 20));
    for (int i = 0; i < 3; ++i) {
        auto *caption = label(this, captions[i], QRect(captionLefts[i], 226, 44, 20));
        caption->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);

        auto *popup = new QComboBox(this);
        popup->setObjectName(names[i] + u"Order"_s);
        popup->setGeometry(popupLefts[i], 246, 50, 20);
        popup->setFont(UiFonts::gothic(12));
        popup->addItems({QString(), u"1"_s, u"2"_s, u"3"_s});
        m_orderPopups[i] = popup;
        connect(popup, &QComboBox::currentIndexChanged, this, [this, i](int item) { selectOrder(i, item, false); });

        m_byteFields[i] = digitField(new QLineEdit(this), names[i] + u"Bytes"_s, QRect(fieldLefts[i], 273, 30, 22), 2);
        connect(m_byteFields[i], &QLineEdit::textChanged, this, &PreferencesDialog::updateByteCounter);
    }
    label(this, u"+"_s, QRect(142, 274, 12, 20));
    label(this, u"+"_s, QRect(204, 274, 12, 20));
    m_byteCounter = label(this, u"= ??Byte"_s, QRect(267, 274, 124, 20));
    m_byteCounter->setObjectName(u"byteCounter"_s);
    label(this, u"※ トータルで 40Byte になるようにして下さい。"_s, QRect(99, 298, 270, 20), 11);
}

void PreferencesDialog::buildBottomRows()
{
    label(this, u"♫.　ボタンのアクション :"_s, QRect(36, 345, 126, 20));
    m_selectButtonPopup = new QComboBox(this);
    m_selectButtonPopup->setObjectName(u"selectButtonPopup"_s);
    m_selectButtonPopup->setGeometry(162, 344, 125, 20);
    m_selectButtonPopup->setFont(UiFonts::gothic(12));
    m_selectButtonPopup->addItems({u"曲フォルダ"_s, u"曲リスト"_s, u"iTunes ﾌﾟﾚｲﾘｽﾄ"_s});
    label(this, u"を開く..."_s, QRect(296, 345, 80, 20));

    m_over128 = new QCheckBox(u"Over128kbps"_s, this);
    m_over128->setObjectName(u"over128"_s);
    m_over128->setGeometry(34, 380, 110, 20);
    m_over128->setFont(UiFonts::gothic(12));

    auto *line = new QFrame(this);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    line->setGeometry(9, 407, 461, 4);

    // Never shown: the value it carries goes back as it came, as 1 or 0.
    m_useItunesInfo = new QCheckBox(u"曲情報を iTunes から取得"_s, this);
    m_useItunesInfo->setObjectName(u"useLibraryInfo"_s);
    m_useItunesInfo->setGeometry(34, 412, 173, 22);
    m_useItunesInfo->hide();
    auto *itunesNote = label(this, u"※ ファイルから取得する場合と比べて時間がかかる場合が有ります。"_s, QRect(53, 433, 154, 35), 10);
    itunesNote->setWordWrap(true);
    itunesNote->hide();

    connect(button(this, u"cancelButton"_s, u"キャンセル"_s, QRect(298, 423, 75, 20)), &QPushButton::clicked, this,
            &PreferencesDialog::close);
    QPushButton *ok = button(this, u"okButton"_s, u"設定"_s, QRect(385, 423, 75, 20));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &PreferencesDialog::commit);
}

void PreferencesDialog::load()
{
    m_path->setText(preference::cardVolumeName + preference::cardFolderPath);
    m_path->end(false);

    const QString &order = preference::titlePartOrder;
    selectOrder(ArtistPopup, PrefsForm::orderDigit(order, 1), true);
    selectOrder(AlbumPopup, PrefsForm::orderDigit(order, 2), true);
    selectOrder(TitlePopup, PrefsForm::orderDigit(order, 0), true);

    m_byteFields[TitlePopup]->setText(QString::number(preference::titleNameBytes));
    m_byteFields[ArtistPopup]->setText(QString::number(preference::titleArtistBytes));
    m_byteFields[AlbumPopup]->setText(QString::number(preference::titleAlbumBytes));

    m_over128->setChecked(preference::bitratePatchMode == 1);
    const int mode = preference::selectButtonMode;
    m_selectButtonPopup->setCurrentIndex(mode >= 0 && mode < m_selectButtonPopup->count() ? mode : -1);
    m_useItunesInfo->setChecked(preference::useLibraryInfo == 1);

    if (preference::keepFreeMB > 0) {
        m_keepSpace->setChecked(true);
        m_megabytes->setText(QString::number(preference::keepFreeMB));
    }
    m_path->setFocus();
}

void PreferencesDialog::selectOrder(int popup, int item, bool force)
{
    PrefsForm::selectOrder(m_order, popup, item, force);
    showOrder();
}

void PreferencesDialog::showOrder()
{
    for (int i = 0; i < 3; ++i) {
        {
            // The rule has already settled every popup; showing its result must not rerun it.
            const QSignalBlocker block(m_orderPopups[i]);
            m_orderPopups[i]->setCurrentIndex(m_order[i]);
        }
        const bool shown = m_order[i] != 0;
        m_byteFields[i]->setEnabled(shown);
        if (!shown)
            m_byteFields[i]->setText(u"0"_s);
    }
}

void PreferencesDialog::keepSpaceToggled(bool checked)
{
    if (checked) {
        m_megabytes->setText(QString::number(preference::keepFreeMB));
        m_megabytes->setEnabled(true);
        m_megabytes->setFocus();
        m_megabytes->selectAll();
    } else {
        m_megabytes->clear();
        m_megabytes->setEnabled(false);
    }
}

void PreferencesDialog::updateByteCounter()
{
    const int total = PrefsForm::byteTotal(
        {m_byteFields[0]->text(), m_byteFields[1]->text(), m_byteFields[2]->text()});
    m_byteCounter->setText(PrefsForm::byteCounterText(total));
    QPalette pal = m_byteCounter->palette();
    pal.setColor(QPalette::WindowText, total == PrefsForm::kTitleBytes ? QColor(0, 0, 0) : QColor(255, 0, 0));
    m_byteCounter->setPalette(pal);
}

PrefsForm::Fields PreferencesDialog::fields() const
{
    PrefsForm::Fields f;
    f.destination = m_path->text();
    f.keepSpace = m_keepSpace->isChecked();
    f.keepSpaceMegabytes = m_megabytes->text();
    f.order = m_order;
    for (int i = 0; i < 3; ++i)
        f.bytes[i] = m_byteFields[i]->text();
    f.over128 = m_over128->isChecked();
    f.selectButtonMode = m_selectButtonPopup->currentIndex();
    f.useLibraryInfo = m_useItunesInfo->isChecked();
    return f;
}

void PreferencesDialog::commit()
{
    if (!PrefsForm::store(fields())) {
        Prompts::instance().showMessage(PrefsForm::kWrongTotalMessage.toString(), Prompts::Icon::Caution);
        Prompts::instance().beep();
        return;
    }
    close();
}

QString PreferencesDialog::chooserStartFolder() const
{
    const auto posixOf = [](const QString &colonPath) {
        const FileItem item = FileItem::fromColonPath(colonPath);
        return item.isNull() ? QString() : item.posixPath();
    };
    // The card where the field names only its volume: the way to a folder still to be made.
    const QString volume = m_path->text().section(u':', 0, 0) + u':';
    return RecentFolders::firstExistingFolder(
        {posixOf(m_path->text()), RecentFolders::destination(), posixOf(volume), AppPaths::appDir()});
}

void PreferencesDialog::chooseDestination()
{
    const QString chosen = Prompts::instance().chooseFolder(u"転送先フォルダを選択してください"_s, u"選択"_s,
                                                            chooserStartFolder());
    if (chosen.isEmpty())
        return;
    const QString colonPath = FileItem(chosen).colonPath();
    // A folder outside every volume has no colon path to store; the field keeps its text.
    if (colonPath.isEmpty()) {
        Prompts::instance().beep();
        return;
    }
    RecentFolders::rememberDestination(chosen);
    m_path->setText(colonPath);
}

void PreferencesDialog::createCardFolder()
{
    const PrefsForm::CardFolder made = PrefsForm::createCardFolder(m_path->text());
    switch (made.outcome) {
    case PrefsForm::CardFolder::Outcome::NoVolume:
        break;
    case PrefsForm::CardFolder::Outcome::Created:
        m_path->setText(made.colonPath);
        break;
    case PrefsForm::CardFolder::Outcome::Failed:
        // The field keeps its text: pointing it at a folder that was not made would pass
        // the failure off as success.
        Prompts::instance().showMessage(u"フォルダ「%1」を作成できませんでした。"_s.arg(made.colonPath),
                                        Prompts::Icon::Caution);
        break;
    }
}

void PreferencesDialog::reject()
{
    // Escape is "キャンセル".
    close();
}

void PreferencesDialog::setVisible(bool visible)
{
    QDialog::setVisible(visible);
    // Showing a dialog selects the whole text of its focus field; the path field opens
    // with the insertion point after its last character instead.
    if (visible && !m_shownOnce) {
        m_shownOnce = true;
        m_path->end(false);
    }
}

void PreferencesDialog::closeEvent(QCloseEvent *event)
{
    emit closed();
    // Not QDialog's, which would reject() and so close again.
    QWidget::closeEvent(event);
}
