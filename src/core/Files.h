#pragma once

#include <QString>

// Is the file there: a file or folder whose attributes can be read.
bool ExisteFichero(const QString& Fichero);

// folder/name, the name matched without regard to case against what the folder holds: the supervision
// system's files were named on a file system that ignores case. folder/name as given when none matches.
QString fileInFolder(const QString& folder, const QString& name);
