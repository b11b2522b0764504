#pragma once

#include "core/prefs/PrefsForm.h"

#include <QDialog>

#include <array>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

/// The preferences dialog "環境設定". It works on a copy of the preference values held in
/// its controls: "設定" writes them back, "キャンセル" (or closing) drops them.
class PreferencesDialog final : public QDialog {
    Q_OBJECT
public:
    explicit PreferencesDialog(QWidget *parent = nullptr);

    /// What the controls hold now.
    PrefsForm::Fields fields() const;

    /// "設定": stores and closes, or refuses a byte total other than 40.
    void commit();
    /// "選択": the folder chooser fills the path field.
    void chooseDestination();
    /// Where that chooser opens: the path field's folder, else the folder last chosen in a
    /// destination chooser this session, else the field's volume, else the application's
    /// folder (the first that exists).
    QString chooserStartFolder() const;
    /// "フォルダを作成": makes the card folder on the path field's volume.
    void createCardFolder();

signals:
    /// Sent whenever the dialog closes, by either button or the close box.
    void closed();

public slots:
    void reject() override;
    void setVisible(bool visible) override;

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void buildDestinationGroup();
    void buildTitleGroup();
    void buildBottomRows();
    void load();
    void selectOrder(int popup, int item, bool force);
    void showOrder();
    void keepSpaceToggled(bool checked);
    void updateByteCounter();

    QLineEdit *m_path = nullptr;
    QCheckBox *m_keepSpace = nullptr;
    QLineEdit *m_megabytes = nullptr;
    std::array<QComboBox *, 3> m_orderPopups{};
    std::array<QLineEdit *, 3> m_byteFields{};
    QLabel *m_byteCounter = nullptr;
    QComboBox *m_selectButtonPopup = nullptr;
    QCheckBox *m_over128 = nullptr;
    QCheckBox *m_useItunesInfo = nullptr;
    PrefsForm::Order m_order{};
    bool m_shownOnce = false;
};
