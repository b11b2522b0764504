#pragma once

// The commands of songkite-cli, each run with its parsed arguments; each returns the exit
// status (0 or 1: bad usage never gets here).

#include "cli/CliArguments.h"

#include "core/platform/FileItem.h"

class QTextStream;

QTextStream &cliOut();
QTextStream &cliErr();

int songsCommand(const SongsArguments &args);
int transferCommand(const TransferArguments &args);
int checkCommand(const CheckArguments &args);
int volumesCommand();
int listCommand(const ListArguments &args);
int applyCommand(const ApplyArguments &args);
int editCommand(const ApplyArguments &args);

/// A cell on one output line: TAB, line breaks and backslash written as \t, \n, \r, \\.
QString escapedCell(const QString &cell);
/// The card folder as `check` finds it from the preferences; null (and a message on
/// standard error) when there is no card volume.
FileItem preferredCardFolder();
