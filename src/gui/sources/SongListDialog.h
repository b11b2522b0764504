#pragma once

#include <QDialog>
#include <QStringList>

class QCheckBox;
class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;
class QTreeWidget;

/// Opens and saves named song lists of the list folder. Open mode picks one or several
/// lists (or every export list) to load; save mode names an own list to write. The dialog
/// reads and writes no list itself: it asks through its signals, and the window does it.
/// It lists the folder once, when created, and is destroyed when it closes.
class SongListDialog final : public QDialog {
    Q_OBJECT
public:
    enum class Mode { Open, Save };

    SongListDialog(Mode mode, const QString &listFolder, const QString &lastSelected, QWidget *parent = nullptr);

    static constexpr QSize kSize{357, 316};

    Mode mode() const { return m_mode; }
    QTreeWidget *list() const { return m_list; }
    QLineEdit *nameField() const { return m_name; }
    QPushButton *confirmButton() const { return m_confirm; }
    QPushButton *secondButton() const { return m_second; }
    QPushButton *cancelButton() const { return m_cancel; }
    QCheckBox *replaceBox() const { return m_replace; }
    QLabel *hint() const { return m_hint; }

    /// The file names of the selected rows, top to bottom.
    QStringList selectedFiles() const;

signals:
    /// "開く": load these lists in this order; the song list is emptied first when
    /// `replace` is set.
    void openRequested(const QStringList &fileNames, bool replace);
    /// "全て": load every export list of the folder.
    void openAllRequested(bool replace);
    /// "保存": write the song list as the own list NAME.list (an export list of that name
    /// was already deleted with the user's consent).
    void saveRequested(const QString &name);

protected:
    void showEvent(QShowEvent *event) override;

private:
    void fill(const QString &listFolder, const QString &lastSelected);
    void applyMode();
    void onSelectionChanged();
    void confirm();
    void second();
    void save();

    Mode m_mode;
    QString m_listFolder;
    QLabel *m_hint;
    QLabel *m_nameLabel;
    QLineEdit *m_name;
    QFrame *m_separator;
    QTreeWidget *m_list;
    QPushButton *m_confirm;
    QPushButton *m_second;
    QPushButton *m_cancel;
    QCheckBox *m_replace;
};
