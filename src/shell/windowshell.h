#pragma once

#include <QString>

// What the start-up needs of the main window itself.
class WindowShell {
public:
    virtual ~WindowShell() = default;
    virtual QString applicationFolder() = 0;
    virtual void applyFaceColor() = 0;
    virtual void applySkin(const QString& path) = 0;        // throws Failure when the skin is rejected
    virtual void loadHoverPointer(const QString& path) = 0; // throws Failure when the image cannot be loaded
    virtual void setCaption(const QString& caption) = 0;
    virtual void setApplicationIcon() = 0;
    virtual void setUrlColumn(const QString& header, int widthTwips) = 0;
};
