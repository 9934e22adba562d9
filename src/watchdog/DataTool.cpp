#include "watchdog/DataTool.h"

#include "core/runtime/Files.h"

#include <QFileInfo>

namespace DataTool {

QStringList paths(const QString& root) {
    static const char* const folders[][3] = {{"archivos de programa", "brenvik", "vorn data"},
                                             {"archivos de programa", "brenvik", "vorn-data"}};
    QStringList found;
    for (const auto& parts : folders) {
        QString path = root.isEmpty() ? QStringLiteral("/") : root;
        for (const char* part : parts)
            path = fileInFolder(path, QString::fromLatin1(part));
        found.append(fileInFolder(path, QStringLiteral("vorndata.exe")));
    }
    return found;
}

QStringList existing(const QString& root) {
    QStringList found;
    for (const QString& path : paths(root))
        if (QFileInfo(path).isFile())
            found.append(path);
    return found;
}

} // namespace DataTool
