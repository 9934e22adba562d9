#pragma once

#include <QByteArrayView>
#include <QString>

// Is the file there: a file or folder whose attributes can be read.
bool ExisteFichero(const QString& Fichero);

// folder/name, the name matched without regard to case against what the folder holds: the supervision
// system's files were named on a file system that ignores case. folder/name as given when none matches.
QString fileInFolder(const QString& folder, const QString& name);

// Appends bytes to the file, made if missing: open, write, close and nothing else, as the logs do for
// every line. False when any of them fails (a full disk may show only at the close); errno says why.
bool appendToFile(const QString& path, QByteArrayView bytes);

// Replaces the file by one holding exactly these bytes, or leaves it as it was: the bytes go to a new file
// beside it, which is written whole, flushed to disk, closed and only then renamed over it (the folder is
// flushed after). A full disk or a file-size limit therefore never leaves a short or empty file. The
// new file keeps the old one's permissions. False when anything failed; why names the path and the cause.
bool replaceFile(const QString& path, QByteArrayView bytes, QString* why = nullptr);
