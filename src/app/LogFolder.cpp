#include "app/LogFolder.h"

#include "core/model/Control.h"

#include <QDesktopServices>
#include <QDir>
#include <QLoggingCategory>

namespace {
Q_LOGGING_CATEGORY(lcLogFolder, "vornnet.core")
}

LogFolder::LogFolder(Control& ESTADO, Opener opener) : m_ESTADO(ESTADO), m_opener(std::move(opener)) {
}

LogFolder::Opener LogFolder::desktopOpener() {
    return [](const QUrl& url) { return QDesktopServices::openUrl(url); };
}

QString LogFolder::whereText(const QString& folder) {
    return QStringLiteral("Logs en ") + QDir::toNativeSeparators(QDir(folder).absolutePath());
}

void LogFolder::btnLogClick(const QString& folder) {
    if (m_opener && m_opener(QUrl::fromLocalFile(QDir(folder).absolutePath())))
        return;
    m_ESTADO.setText(whereText(folder));
    qCInfo(lcLogFolder, "No hay programa para abrir carpetas: %s", qPrintable(whereText(folder)));
}
