#pragma once

#include <QStringList>

class QTextStream;
class SongListModel;

/// Fills `list` from music folders as the app's scan does; 0, 1 (a missing source) or 2.
int scanSources(const QStringList &sources, SongListModel &list);
QTextStream &cliOut();
QTextStream &cliErr();

/// `transfer [OPTIONS] SOURCE...`
int transferCommand(QStringList args);
/// `check [FOLDER]`
int checkCommand(QStringList args);
