#include "ui/twips.h"

#include <QWidget>

int twipsToPixels(int twips, const QWidget* widget) {
    return twips * widget->logicalDpiX() / 1440;
}
