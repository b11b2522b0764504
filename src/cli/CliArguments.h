#pragma once

// What each songkite-cli command is told on its command line. Reading the arguments
// touches nothing: bad usage is a UsageError before any card or preference is read.

#include "core/transfer/TransferSetup.h"

#include <QString>
#include <QStringList>

#include <optional>

/// Bad usage; main() prints the message with a pointer to --help and exits with 2.
struct UsageError {
    QString message;
};

/// `songs SOURCE...`
struct SongsArguments {
    QStringList sources;
    /// --save-list NAME: the list is also written as the own list NAME.list.
    std::optional<QString> saveAs;
};

/// `transfer [OPTIONS] SOURCE...`
struct TransferArguments {
    QStringList sources;
    /// --to; empty: the card folder of the preferences.
    QString destination;
    /// --add or --replace, the last one given; none: the preferences' add box.
    std::optional<bool> add;
    bool shuffle = false;
    /// --keep-space, --title-order, --title-bytes and the bitrate patch switches.
    TransferSetup::Overrides overrides;
};

/// `check [FOLDER]`
struct CheckArguments {
    /// None: the card folder of the preferences.
    std::optional<QString> folder;
};

/// `list [FOLDER]`
struct ListArguments {
    /// None: the card folder of the preferences.
    std::optional<QString> folder;
};

/// `apply [--yes] FILE [FOLDER]` and `edit [--yes] [FOLDER]`
struct ApplyArguments {
    /// --yes: deleting songs needs no confirmation.
    bool yes = false;
    /// The edited listing; empty for `edit`, which makes its own.
    QString file;
    /// None: the card folder of the preferences.
    std::optional<QString> folder;
};

/// The arguments after the command's name; each throws UsageError.
SongsArguments parseSongsArguments(const QStringList &args);
TransferArguments parseTransferArguments(const QStringList &args);
CheckArguments parseCheckArguments(const QStringList &args);
ListArguments parseListArguments(const QStringList &args);
ApplyArguments parseApplyArguments(const QStringList &args);
ApplyArguments parseEditArguments(const QStringList &args);
void parseVolumesArguments(const QStringList &args);
