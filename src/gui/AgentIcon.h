#pragma once

#include <QIcon>
#include <QPixmap>

// The agent's picture, drawn rather than shipped as a file so that the window, its Image1 and the tray
// icon need no resource that could go missing.
class AgentIcon {
public:
    static QPixmap pixmap(int size);
    static QIcon icon();
};
