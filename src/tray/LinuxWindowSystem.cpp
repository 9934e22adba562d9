#include "tray/LinuxWindowSystem.h"

WindowSystem::Handle LinuxWindowSystem::findWindow(const QString&) {
    return 0;
}

WindowSystem::Handle LinuxWindowSystem::findChild(Handle, const QString&) {
    return 0;
}

WindowSystem::Rect LinuxWindowSystem::clientRect(Handle) {
    return {};
}

void LinuxWindowSystem::sendMessage(Handle, quint32, quintptr, qintptr) {
}

WindowSystem::Version LinuxWindowSystem::version() {
    return {};
}
