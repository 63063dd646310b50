#pragma once

#include "engine/mainstate.h"

#include <QObject>
#include <QString>

// The fields of the "Extract Between" window and its own pointer.
class BetweenState : public QObject {
    Q_OBJECT
public:
    QString startWith() const { return m_start; }
    QString endWith() const { return m_end; }
    int check21() const { return m_check21; }
    int check22() const { return m_check22; }
    bool includeStart() const { return m_check21 == 1; }
    bool includeEnd() const { return m_check22 == 1; }
    void setStartWith(const QString& text);
    void setEndWith(const QString& text);
    void setCheck21(int value);
    void setCheck22(int value);

    int pointer() const { return m_pointer; }
    void setPointer(int value);

Q_SIGNALS:
    void startWithChanged(const QString& text);
    void endWithChanged(const QString& text);
    void check21Changed(int value);
    void check22Changed(int value);
    void pointerChanged(int value);

private:
    QString m_start, m_end;
    int m_check21 = 1, m_check22 = 1;
    int m_pointer = Pointer::Default;
};
