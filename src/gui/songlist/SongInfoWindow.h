#pragma once

#include "core/platform/FileItem.h"

#include <QDialog>
#include <QMediaPlayer>
#include <QString>

class QAudioOutput;
class QLabel;
class QLineEdit;
class QPushButton;

/// What the song information window shows for one row of the main window's list.
struct SongInfo {
    /// The song file's colon path, as the row's view composes it.
    QString location;
    QString title;
    /// Song list view only; the card listing keeps no artist or album.
    QString artist;
    QString album;
    /// The row belongs to the card listing: its title must fit the card.
    bool cardListing = false;
    /// The file the preview plays; null when the location does not resolve.
    FileItem previewFile;
};

/// The song information window: where the song lives, its title (and in the song list view
/// its artist and album) to edit, and a preview of the song. It only reports the edit; the
/// main window writes it into the row. Modal to its parent, and discarded when closed.
class SongInfoWindow final : public QDialog {
    Q_OBJECT
public:
    explicit SongInfoWindow(const SongInfo &info, QWidget *parent = nullptr);
    ~SongInfoWindow() override;

    static constexpr QSize kSize{432, 177};
    /// The card's title limit in Shift_JIS bytes.
    static constexpr int kCardTitleBytes = 40;
    static inline const QString kStoppedGlyph = QStringLiteral("▶");
    static inline const QString kPlayingGlyph = QStringLiteral("■");

    QLabel *locationText() const { return m_location; }
    QLabel *titleCaption() const { return m_titleCaption; }
    QLineEdit *titleField() const { return m_title; }
    QLineEdit *artistField() const { return m_artist; }
    QLineEdit *albumField() const { return m_album; }
    QPushButton *previewButton() const { return m_previewButton; }
    QLabel *previewGlyph() const { return m_glyph; }
    /// Says why the preview cannot sound; hidden while nothing is wrong.
    QLabel *previewNotice() const { return m_notice; }
    QPushButton *cancelButton() const { return m_cancel; }
    QPushButton *changeButton() const { return m_change; }
    QMediaPlayer *player() const { return m_player; }

    /// The glyph reads "■": the preview was started and not stopped since.
    bool isPreviewing() const;

    void setVisible(bool visible) override;

    /// The preview button: plays the song from its start, or stops it.
    void togglePreview();
    /// "変更": reports the fields, then closes.
    void acceptChanges();

signals:
    /// The fields as the user left them; artist and album are empty in the card listing.
    void changesAccepted(const QString &title, const QString &artist, const QString &album);

private:
    void onTitleChanged(const QString &text);
    void onPlayerError(QMediaPlayer::Error error, const QString &errorString);
    void showGlyph(bool playing);
    void stopPreview();
    void showNotice(const QString &reason, const QString &detail = {});

    const bool m_cardListing;
    const FileItem m_previewFile;
    /// The last title the field accepted, and where its insertion point was.
    QString m_acceptedTitle;
    int m_acceptedCursor = 0;

    QLabel *m_location;
    QLabel *m_titleCaption;
    QLineEdit *m_title;
    QLineEdit *m_artist;
    QLineEdit *m_album;
    QPushButton *m_previewButton;
    QLabel *m_glyph;
    QLabel *m_notice;
    QPushButton *m_cancel;
    QPushButton *m_change;
    QMediaPlayer *m_player;
    QAudioOutput *m_audioOutput;
};
