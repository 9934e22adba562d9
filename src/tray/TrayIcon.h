#pragma once

#include <QMenu>
#include <QObject>
#include <QString>
#include <QSystemTrayIcon>

class QAction;

// The agent's icon in the notification area. Its tip names the central station; its popup menu brings
// the main window back. The tip is taken when the icon is added: a later caption does not change it.
class TrayIcon : public QObject {
    Q_OBJECT
public:
    explicit TrayIcon(QObject* parent = nullptr);
    ~TrayIcon() override;

    const QString& caption() const { return m_caption; }
    void setCaption(const QString& caption) { m_caption = caption; }

    // The popup menu "mnuMenu" and its one item "mnuVornnet".
    QMenu* trayMenu() { return &m_menu; }
    QAction* vornnetItem() const { return m_vornnet; }

    // Shows the icon when the desktop has a notification area; returns whether it is shown.
    bool add();
    void remove();
    bool isShown() const { return m_icon.isVisible(); }

signals:
    // The user chose "VornNet": show the main window in its normal state.
    void showRequested();

private:
    QString m_caption;
    QMenu m_menu; // declared before the icon, which refers to it
    QAction* m_vornnet;
    QSystemTrayIcon m_icon;
};
