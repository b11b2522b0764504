#pragma once

// The one way windows talk to the user through modal boxes, choosers and beeps, so every
// dialog path can be driven headless by a scripted implementation.

#include <QList>
#include <QString>
#include <QStringList>

#include <memory>

class Prompts {
public:
    enum class Icon { None, Note, Caution, Stop, Question };
    enum class Answer { Ok, Cancel };

    virtual ~Prompts() = default;

    /// A question with OK and Cancel; `cancelIsDefault` makes Cancel the default button,
    /// as every destructive command asks.
    virtual Answer askOkCancel(const QString &text, Icon icon, bool cancelIsDefault = true,
                               const QString &okLabel = {}, const QString &cancelLabel = {}) = 0;
    /// A message with one OK button.
    virtual void showMessage(const QString &text, Icon icon = Icon::Note) = 0;
    /// Lets the user choose a folder; an empty text when the user cancels.
    virtual QString chooseFolder(const QString &caption, const QString &confirmLabel,
                                 const QString &startFolder = {}) = 0;
    /// Lets the user choose existing files among the given name filters; empty on cancel.
    virtual QStringList chooseFiles(const QString &caption, const QStringList &nameFilters,
                                    const QString &startFolder = {}, bool multiple = false) = 0;
    /// The short sound of refused input.
    virtual void beep() = 0;

    /// The implementation in use; the application installs the widget one, tests their own.
    static Prompts &instance();
    /// Takes ownership; returns the previous implementation.
    static std::unique_ptr<Prompts> install(std::unique_ptr<Prompts> prompts);
};

/// Records every text shown and answers from queues; with an empty queue it answers
/// Cancel, an empty folder and no files. Used by tests and by headless tools.
class ScriptedPrompts final : public Prompts {
public:
    struct Shown {
        enum class Kind { Question, Message, Folder, Files, Beep } kind;
        QString text;
        Icon icon = Icon::None;
        bool cancelIsDefault = false;
    };

    Answer askOkCancel(const QString &text, Icon icon, bool cancelIsDefault,
                       const QString &okLabel, const QString &cancelLabel) override;
    void showMessage(const QString &text, Icon icon) override;
    QString chooseFolder(const QString &caption, const QString &confirmLabel,
                         const QString &startFolder) override;
    QStringList chooseFiles(const QString &caption, const QStringList &nameFilters,
                            const QString &startFolder, bool multiple) override;
    void beep() override;

    QList<Answer> answers;
    QStringList folders;
    QList<QStringList> files;
    QList<Shown> shown;
    /// Where each folder or file chooser opened, in the order shown.
    QStringList startFolders;

    int beeps() const;
    /// Texts of questions and messages, in the order shown.
    QStringList texts() const;
};
