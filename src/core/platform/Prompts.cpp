#include "core/platform/Prompts.h"

namespace {
std::unique_ptr<Prompts> &slot()
{
    static std::unique_ptr<Prompts> p = std::make_unique<ScriptedPrompts>();
    return p;
}
} // namespace

Prompts &Prompts::instance() { return *slot(); }

std::unique_ptr<Prompts> Prompts::install(std::unique_ptr<Prompts> prompts)
{
    auto old = std::move(slot());
    slot() = std::move(prompts);
    if (!slot())
        slot() = std::make_unique<ScriptedPrompts>();
    return old;
}

Prompts::Answer ScriptedPrompts::askOkCancel(const QString &text, Icon icon, bool cancelIsDefault,
                                             const QString &, const QString &)
{
    shown.append({Shown::Kind::Question, text, icon, cancelIsDefault});
    return answers.isEmpty() ? Answer::Cancel : answers.takeFirst();
}

void ScriptedPrompts::showMessage(const QString &text, Icon icon)
{
    shown.append({Shown::Kind::Message, text, icon, false});
}

QString ScriptedPrompts::chooseFolder(const QString &caption, const QString &, const QString &startFolder)
{
    shown.append({Shown::Kind::Folder, caption, Icon::None, false});
    startFolders.append(startFolder);
    return folders.isEmpty() ? QString() : folders.takeFirst();
}

QStringList ScriptedPrompts::chooseFiles(const QString &caption, const QStringList &,
                                         const QString &startFolder, bool)
{
    shown.append({Shown::Kind::Files, caption, Icon::None, false});
    startFolders.append(startFolder);
    return files.isEmpty() ? QStringList() : files.takeFirst();
}

void ScriptedPrompts::beep() { shown.append({Shown::Kind::Beep, {}, Icon::None, false}); }

int ScriptedPrompts::beeps() const
{
    int n = 0;
    for (const auto &s : shown)
        n += s.kind == Shown::Kind::Beep;
    return n;
}

QStringList ScriptedPrompts::texts() const
{
    QStringList out;
    for (const auto &s : shown)
        if (s.kind == Shown::Kind::Question || s.kind == Shown::Kind::Message)
            out << s.text;
    return out;
}
