#pragma once

// The commands of songkite-cli, each run with its parsed arguments; each returns the exit
// status (0 or 1: bad usage never gets here).

#include "cli/CliArguments.h"

class QTextStream;

QTextStream &cliOut();
QTextStream &cliErr();

int songsCommand(const SongsArguments &args);
int transferCommand(const TransferArguments &args);
int checkCommand(const CheckArguments &args);
int volumesCommand();
