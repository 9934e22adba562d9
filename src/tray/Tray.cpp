#include "tray/Tray.h"

#include "core/model/Control.h"
#include "tray/clsSystrayRefresh.h"

#include <QLoggingCategory>

namespace {

Q_LOGGING_CATEGORY(lcTray, "vornnet.tray")

} // namespace

Tray::Tray(Control& form1, std::unique_ptr<WindowSystem> windows, QObject* parent)
    : QObject(parent), m_form1(form1), m_windows(std::move(windows)), m_caption(form1.text()) {
    m_watch.setInterval(defaultWatch);
    connect(&m_watch, &QTimer::timeout, this, &Tray::watch);
}

Tray::~Tray() {
    unload();
}

void Tray::attachIcon(NotificationIcon* icon) {
    m_icon = icon;
}

QString Tray::stationCaption(const QString& address, const QString& port) {
    return QStringLiteral("VornGelmarNet::") + address + QLatin1Char(':') + port;
}

QString Tray::tipOf(const QString& caption) {
    if (caption.size() <= tipLength)
        return caption;
    qsizetype n = tipLength;
    if (caption.at(n - 1).isHighSurrogate())
        --n;
    return caption.left(n);
}

void Tray::setWatchInterval(std::chrono::milliseconds interval) {
    m_watch.setInterval(interval);
}

void Tray::loaded() {
    if (m_unloaded || !m_icon)
        return;
    m_loaded = true;
    iconReachable();
    m_watch.start();
}

void Tray::unload() {
    m_unloaded = true;
    m_watch.stop();
    if (m_icon)
        m_icon->remove();
    m_added = false;
}

bool Tray::iconReachable() {
    if (!m_icon)
        return false;
    const bool area = m_icon->areaAvailable();
    if (area && !m_added && m_loaded && !m_unloaded) {
        m_added = m_icon->add(tipOf(m_caption));
        if (m_added)
            qCInfo(lcTray, "icono añadido al área de notificación, texto \"%s\"",
                   qPrintable(tipOf(m_caption)));
    }
    const bool reachable = area && m_added;
    if (!reachable && !m_absenceTold)
        qCWarning(lcTray, "no hay área de notificación en este escritorio: la ventana se queda en la barra "
                          "de tareas en vez de ocultarse");
    else if (reachable && m_absenceTold)
        qCInfo(lcTray, "ha aparecido un área de notificación: la ventana vuelve a ocultarse en ella");
    m_absenceTold = !reachable;
    return reachable;
}

void Tray::watch() {
    if (iconReachable() || m_form1.visible())
        return;
    // The area went away while the window was hidden: bring the window back where it can be reached.
    m_form1.setVisible(true);
    emit minimiseRequested();
}

void Tray::hideWindow() {
    if (!m_icon || iconReachable()) {
        m_form1.setVisible(false);
        return;
    }
    m_form1.setVisible(true);
    emit minimiseRequested();
}

void Tray::RefrescaSysTray() {
    clsSystrayRefresh refresh(*m_windows);
    if (!refresh.SysTrayRefresh())
        qCDebug(lcTray, "no hay área de notificación que barrer");
}
