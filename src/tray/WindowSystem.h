#pragma once

#include <QString>
#include <QtGlobal>

// The few calls of a window system that the notification-area sweep needs: find a window by class, its
// client rectangle, a synchronous message, and the platform's version. Handle 0 is no window.
class WindowSystem {
public:
    using Handle = quintptr;
    struct Rect {
        int left = 0;
        int top = 0;
        int right = 0;
        int bottom = 0;
    };
    // As the platform reports it: platform 0 Win32s, 1 the Windows 95 family, 2 the NT family.
    struct Version {
        int platformId = -1;
        int major = 0;
        int minor = 0;
    };

    virtual ~WindowSystem() = default;
    virtual Handle findWindow(const QString& className) = 0;
    // The first child of parent with that class.
    virtual Handle findChild(Handle parent, const QString& className) = 0;
    virtual Rect clientRect(Handle window) = 0;
    virtual void sendMessage(Handle window, quint32 message, quintptr wParam, qintptr lParam) = 0;
    virtual Version version() = 0;
};
