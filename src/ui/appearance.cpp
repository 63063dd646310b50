#include "ui/appearance.h"

#include "base/failure.h"
#include "engine/mainstate.h"

#include <QAbstractButton>
#include <QAbstractScrollArea>
#include <QCheckBox>
#include <QEvent>
#include <QGroupBox>
#include <QLabel>
#include <QPixmap>
#include <QRadioButton>
#include <QWidget>

void ApplyFaceColor(QWidget* window) {
    const QColor face = window->palette().color(QPalette::Button);
    QList<QWidget*> widgets{window};
    for (QWidget* w : window->findChildren<QWidget*>()) {
        if (qobject_cast<QRadioButton*>(w) || qobject_cast<QCheckBox*>(w) || qobject_cast<QGroupBox*>(w) ||
            qobject_cast<QLabel*>(w))
            widgets << w;
    }
    for (QWidget* w : widgets) {
        QPalette pal = w->palette();
        pal.setColor(QPalette::Window, face);
        w->setPalette(pal);
        w->setAutoFillBackground(true);
    }
}

QCursor loadPointerImage(const QString& path) {
    QPixmap image(path);
    if (image.isNull())
        image.load(path, "ICO");
    if (image.isNull())
        throw Failure(QStringLiteral("Invalid picture: ") + path);
    return QCursor(image, 0, 0);
}

PointerRules::PointerRules(QWidget* window, std::function<int()> get, std::function<void(int)> set)
    : QObject(window), m_window(window), m_get(std::move(get)), m_set(std::move(set)) {}

void PointerRules::watch(QWidget* widget) {
    widget->installEventFilter(this);
    if (auto* area = qobject_cast<QAbstractScrollArea*>(widget))
        area->viewport()->installEventFilter(this);
}

void PointerRules::watchAll() {
    watch(m_window);
    for (QWidget* w : m_window->findChildren<QWidget*>()) {
        if (qobject_cast<QAbstractButton*>(w) && !qobject_cast<QCheckBox*>(w) &&
            !qobject_cast<QRadioButton*>(w))
            watch(w);
        else if (qobject_cast<QGroupBox*>(w) || qobject_cast<QAbstractScrollArea*>(w))
            watch(w);
    }
}

void PointerRules::apply(int pointer) {
    if (pointer == Pointer::Busy)
        m_window->setCursor(Qt::WaitCursor);
    else if (pointer == Pointer::Hover)
        m_window->setCursor(m_hover);
    else
        m_window->setCursor(Qt::ArrowCursor);
}

bool PointerRules::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if ((type == QEvent::Enter || type == QEvent::MouseMove || type == QEvent::Leave) &&
        m_get() != Pointer::Busy) {
        auto* button = qobject_cast<QAbstractButton*>(watched);
        const bool command =
            button && !qobject_cast<QCheckBox*>(button) && !qobject_cast<QRadioButton*>(button);
        // Leaving a button for the bare window sends the window no Enter: the Leave ends the hand.
        m_set(command && type != QEvent::Leave ? Pointer::Hover : Pointer::Default);
    }
    return QObject::eventFilter(watched, event);
}
