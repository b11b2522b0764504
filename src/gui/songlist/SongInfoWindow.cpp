#include "gui/songlist/SongInfoWindow.h"

#include "core/platform/Prompts.h"
#include "core/platform/TextCodec.h"
#include "gui/widgets/UiFonts.h"

#include <QAudioDevice>
#include <QAudioOutput>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QMediaDevices>
#include <QPushButton>
#include <QUrl>

using namespace Qt::StringLiterals;

namespace {

QLabel *caption(const QString &text, const QRect &place, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    label->setFont(UiFonts::gothic(12));
    label->setGeometry(place);
    return label;
}

QLineEdit *field(const QString &name, const QRect &place, QWidget *parent)
{
    auto *edit = new QLineEdit(parent);
    edit->setObjectName(name);
    edit->setFont(UiFonts::gothic(12));
    edit->setGeometry(place);
    return edit;
}

/// A short Japanese reason for a player's error; the player's own text goes to the tooltip.
QString errorReason(QMediaPlayer::Error error)
{
    switch (error) {
    case QMediaPlayer::FormatError:
        return u"この形式を再生できません"_s;
    case QMediaPlayer::ResourceError:
        return u"ファイルを読めません"_s;
    case QMediaPlayer::AccessDeniedError:
        return u"ファイルを開けません"_s;
    default:
        return u"再生中にエラーが起きました"_s;
    }
}

} // namespace

SongInfoWindow::SongInfoWindow(const SongInfo &info, QWidget *parent)
    : QDialog(parent), m_cardListing(info.cardListing), m_previewFile(info.previewFile)
{
    setObjectName(u"SongInfoWindow"_s);
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowModality(Qt::WindowModal);
    setFixedSize(kSize);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::white);
    setPalette(pal);
    setAutoFillBackground(true);

    caption(u"場所:"_s, {20, 14, 65, 20}, this);
    m_location = new QLabel(info.location, this);
    m_location->setObjectName(u"locationText"_s);
    m_location->setFont(UiFonts::gothic(10));
    m_location->setGeometry(93, 12, 320, 20);
    // A deep path would not fit; the whole of it stays readable in the tooltip.
    m_location->setToolTip(info.location);
    m_location->setTextInteractionFlags(Qt::TextSelectableByMouse);

    m_titleCaption = caption(m_cardListing ? u"タイトル:"_s : u"曲名:"_s, {20, 43, 65, 20}, this);
    m_title = field(u"titleField"_s, {92, 42, 320, 21}, this);
    QLabel *artistCaption = caption(u"アーティスト:"_s, {20, 72, 70, 20}, this);
    m_artist = field(u"artistField"_s, {92, 71, 320, 21}, this);
    QLabel *albumCaption = caption(u"アルバム:"_s, {20, 101, 70, 20}, this);
    m_album = field(u"albumField"_s, {92, 100, 320, 21}, this);
    if (m_cardListing) {
        for (QWidget *w : {static_cast<QWidget *>(artistCaption), static_cast<QWidget *>(m_artist),
                           static_cast<QWidget *>(albumCaption), static_cast<QWidget *>(m_album)})
            w->setEnabled(false);
    } else {
        m_artist->setText(info.artist.trimmed());
        m_album->setText(info.album.trimmed());
    }

    auto *separator = new QFrame(this);
    separator->setFrameShape(QFrame::HLine);
    separator->setFrameShadow(QFrame::Sunken);
    separator->setGeometry(0, 127, kSize.width(), 2);

    m_previewButton = new QPushButton(this);
    m_previewButton->setObjectName(u"previewButton"_s);
    m_previewButton->setGeometry(16, 140, 28, 24);
    m_previewButton->setAutoDefault(false);
    // The glyph lies on the button and lets the clicks through to it.
    m_glyph = new QLabel(m_previewButton);
    m_glyph->setObjectName(u"previewGlyph"_s);
    m_glyph->setFont(UiFonts::gothic(12));
    m_glyph->setAttribute(Qt::WA_TransparentForMouseEvents);
    showGlyph(false);
    auto *previewCaption = caption(u"　再生"_s, {44, 144, 37, 18}, this);
    previewCaption->setObjectName(u"previewCaption"_s);

    m_notice = new QLabel(this);
    m_notice->setObjectName(u"previewNotice"_s);
    m_notice->setFont(UiFonts::gothic(10));
    m_notice->setGeometry(88, 136, 150, 34);
    m_notice->setWordWrap(true);
    m_notice->hide();

    m_cancel = new QPushButton(u"キャンセル"_s, this);
    m_cancel->setObjectName(u"cancelButton"_s);
    m_cancel->setGeometry(244, 142, 78, 20);
    m_cancel->setAutoDefault(false);
    m_change = new QPushButton(u"変更"_s, this);
    m_change->setObjectName(u"changeButton"_s);
    m_change->setGeometry(334, 142, 78, 20);
    m_change->setDefault(true);

    m_player = new QMediaPlayer(this);
    m_audioOutput = new QAudioOutput(this);
    m_player->setAudioOutput(m_audioOutput);

    m_acceptedTitle = info.title.trimmed();
    m_title->setText(m_acceptedTitle);
    m_acceptedCursor = int(m_acceptedTitle.size());
    m_title->setCursorPosition(m_acceptedCursor);
    m_title->setFocus();

    connect(m_title, &QLineEdit::textChanged, this, &SongInfoWindow::onTitleChanged);
    // Typing reports the new text before the new cursor, an input method the other way
    // round; only moves within the accepted text count, so a refused change finds the
    // position from before it either way.
    connect(m_title, &QLineEdit::cursorPositionChanged, this, [this](int, int position) {
        if (m_title->text() == m_acceptedTitle)
            m_acceptedCursor = position;
    });
    connect(m_previewButton, &QPushButton::clicked, this, &SongInfoWindow::togglePreview);
    connect(m_player, &QMediaPlayer::errorOccurred, this, &SongInfoWindow::onPlayerError);
    connect(m_cancel, &QPushButton::clicked, this, &SongInfoWindow::close);
    connect(m_change, &QPushButton::clicked, this, &SongInfoWindow::acceptChanges);
}

SongInfoWindow::~SongInfoWindow()
{
    // Stop before the output goes away, so nothing sounds on after the window.
    m_player->stop();
}

void SongInfoWindow::setVisible(bool visible)
{
    const bool opening = visible && !isVisible();
    QDialog::setVisible(visible);
    // A dialog focuses its field as if tabbed into, which selects the whole title; the
    // user continues typing after it instead.
    if (opening)
        m_title->setCursorPosition(int(m_title->text().size()));
}

void SongInfoWindow::onTitleChanged(const QString &text)
{
    if (text == m_acceptedTitle)
        return;
    if (m_cardListing && ShiftJis::byteLength(text) > kCardTitleBytes) {
        Prompts::instance().beep();
        const int cursor = m_acceptedCursor;
        m_title->setText(m_acceptedTitle);
        m_title->setCursorPosition(cursor);
        return;
    }
    m_acceptedTitle = text;
    m_acceptedCursor = m_title->cursorPosition();
}

bool SongInfoWindow::isPreviewing() const { return m_glyph->text() == kPlayingGlyph; }

void SongInfoWindow::togglePreview()
{
    if (isPreviewing()) {
        stopPreview();
        return;
    }
    m_notice->hide();
    if (m_previewFile.isNull() || !m_previewFile.exists() || m_previewFile.isFolder()) {
        stopPreview();
        return;
    }
    if (QMediaDevices::audioOutputs().isEmpty()) {
        stopPreview();
        showNotice(u"音声出力がありません"_s);
        return;
    }
    m_audioOutput->setDevice(QMediaDevices::defaultAudioOutput());
    showGlyph(true);
    // Setting the source stops the player, so the song always starts from its beginning.
    m_player->setSource(QUrl::fromLocalFile(m_previewFile.posixPath()));
    m_player->setPosition(0);
    m_player->play();
}

void SongInfoWindow::acceptChanges()
{
    emit changesAccepted(m_title->text(), m_cardListing ? QString() : m_artist->text(),
                         m_cardListing ? QString() : m_album->text());
    close();
}

void SongInfoWindow::onPlayerError(QMediaPlayer::Error error, const QString &errorString)
{
    if (error == QMediaPlayer::NoError)
        return;
    stopPreview();
    showNotice(errorReason(error), errorString);
}

void SongInfoWindow::stopPreview()
{
    m_player->stop();
    showGlyph(false);
}

void SongInfoWindow::showGlyph(bool playing)
{
    // The two glyphs differ in width; these offsets centre each on the button.
    m_glyph->setText(playing ? kPlayingGlyph : kStoppedGlyph);
    m_glyph->setGeometry(playing ? 8 : 10, 2, 18, 21);
}

void SongInfoWindow::showNotice(const QString &reason, const QString &detail)
{
    m_notice->setText(u"音声を再生できません"_s + u'\n' + u'（' + reason + u'）');
    m_notice->setToolTip(detail);
    m_notice->show();
}
