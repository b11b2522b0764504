#pragma once

#include "core/platform/Prompts.h"

class QWidget;

/// The desktop implementation: message boxes, the folder and file choosers, the beep.
class WidgetPrompts final : public Prompts {
public:
    Answer askOkCancel(const QString &text, Icon icon, bool cancelIsDefault,
                       const QString &okLabel, const QString &cancelLabel) override;
    void showMessage(const QString &text, Icon icon) override;
    QString chooseFolder(const QString &caption, const QString &confirmLabel,
                         const QString &startFolder) override;
    QStringList chooseFiles(const QString &caption, const QStringList &nameFilters,
                            const QString &startFolder, bool multiple) override;
    void beep() override;
};
