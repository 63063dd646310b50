#include "engine/modes/betweenstate.h"

void BetweenState::setStartWith(const QString& text) {
    if (m_start != text)
        Q_EMIT startWithChanged(m_start = text);
}
void BetweenState::setEndWith(const QString& text) {
    if (m_end != text)
        Q_EMIT endWithChanged(m_end = text);
}
void BetweenState::setCheck21(int value) {
    if (m_check21 != value)
        Q_EMIT check21Changed(m_check21 = value);
}
void BetweenState::setCheck22(int value) {
    if (m_check22 != value)
        Q_EMIT check22Changed(m_check22 = value);
}
void BetweenState::setPointer(int value) {
    if (m_pointer != value)
        Q_EMIT pointerChanged(m_pointer = value);
}
