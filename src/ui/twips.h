#pragma once

class QWidget;

// Column widths are kept in twips, 1/1440 inch: 15 to a pixel at 96 dpi.
int twipsToPixels(int twips, const QWidget* widget);
