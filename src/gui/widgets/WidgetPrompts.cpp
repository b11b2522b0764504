#include "gui/widgets/WidgetPrompts.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>

namespace {
QMessageBox::Icon toBoxIcon(Prompts::Icon icon)
{
    switch (icon) {
    case Prompts::Icon::Note: return QMessageBox::Information;
    case Prompts::Icon::Caution: return QMessageBox::Warning;
    case Prompts::Icon::Stop: return QMessageBox::Critical;
    case Prompts::Icon::Question: return QMessageBox::Question;
    case Prompts::Icon::None: break;
    }
    return QMessageBox::NoIcon;
}
} // namespace

Prompts::Answer WidgetPrompts::askOkCancel(const QString &text, Icon icon, bool cancelIsDefault,
                                           const QString &okLabel, const QString &cancelLabel)
{
    QMessageBox box(QApplication::activeWindow());
    box.setWindowTitle(QStringLiteral("Songkite"));
    box.setIcon(toBoxIcon(icon));
    box.setText(text);
    QPushButton *ok = box.addButton(QMessageBox::Ok);
    QPushButton *cancel = box.addButton(QMessageBox::Cancel);
    if (!okLabel.isEmpty())
        ok->setText(okLabel);
    if (!cancelLabel.isEmpty())
        cancel->setText(cancelLabel);
    box.setDefaultButton(cancelIsDefault ? cancel : ok);
    box.setEscapeButton(cancel);
    box.exec();
    return box.clickedButton() == ok ? Answer::Ok : Answer::Cancel;
}

void WidgetPrompts::showMessage(const QString &text, Icon icon)
{
    QMessageBox box(QApplication::activeWindow());
    box.setWindowTitle(QStringLiteral("Songkite"));
    box.setIcon(toBoxIcon(icon));
    box.setText(text);
    box.addButton(QMessageBox::Ok);
    box.exec();
}

QString WidgetPrompts::chooseFolder(const QString &caption, const QString &confirmLabel,
                                    const QString &startFolder)
{
    QFileDialog dlg(QApplication::activeWindow(), caption, startFolder);
    dlg.setFileMode(QFileDialog::Directory);
    dlg.setOption(QFileDialog::ShowDirsOnly, true);
    if (!confirmLabel.isEmpty())
        dlg.setLabelText(QFileDialog::Accept, confirmLabel);
    if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty())
        return {};
    return dlg.selectedFiles().constFirst();
}

QStringList WidgetPrompts::chooseFiles(const QString &caption, const QStringList &nameFilters,
                                       const QString &startFolder, bool multiple)
{
    QFileDialog dlg(QApplication::activeWindow(), caption, startFolder);
    dlg.setFileMode(multiple ? QFileDialog::ExistingFiles : QFileDialog::ExistingFile);
    if (!nameFilters.isEmpty())
        dlg.setNameFilters(nameFilters);
    if (dlg.exec() != QDialog::Accepted)
        return {};
    return dlg.selectedFiles();
}

void WidgetPrompts::beep() { QApplication::beep(); }
