#pragma once

#include <QCursor>
#include <QObject>
#include <functional>

class QWidget;

// Gives the window and its option buttons, check boxes, frames and labels the button-face colour.
void ApplyFaceColor(QWidget* window);
// A pointer image file (a cursor file is read as an icon). Throws Failure when it cannot be loaded.
QCursor loadPointerImage(const QString& path);

// The pointer of one window: the hourglass while busy; otherwise over a button the hover pointer and
// elsewhere the default. `get` and `set` reach the pointer value the window's state keeps.
class PointerRules : public QObject {
    Q_OBJECT
public:
    PointerRules(QWidget* window, std::function<int()> get, std::function<void(int)> set);
    // Watches `widget` (and, for scroll areas, their viewport).
    void watch(QWidget* widget);
    void watchAll();
    void setHoverCursor(const QCursor& cursor) { m_hover = cursor; }
    // Shows `pointer` on the window.
    void apply(int pointer);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* m_window;
    std::function<int()> m_get;
    std::function<void(int)> m_set;
    QCursor m_hover{Qt::PointingHandCursor};
};
