#include "core/Files.h"

#include <QDir>
#include <QFileInfo>

bool ExisteFichero(const QString& Fichero) {
    return !Fichero.isEmpty() && QFileInfo::exists(Fichero);
}

QString fileInFolder(const QString& folder, const QString& name) {
    const QDir dir(folder);
    if (QFileInfo::exists(dir.filePath(name)))
        return dir.filePath(name);
    const auto entries = dir.entryList(QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot);
    for (const QString& entry : entries)
        if (entry.compare(name, Qt::CaseInsensitive) == 0)
            return dir.filePath(entry);
    return dir.filePath(name);
}
