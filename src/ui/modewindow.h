#pragma once

#include <QString>
#include <functional>

struct Host;
class QDialog;
class QPushButton;
class QWidget;
class PointerRules;

// What both mode windows do when they load: the face colour, the application's icon, the hover pointer
// image when its file is there (a faulty one is reported under `location`), and the pointer rules.
PointerRules* loadModeWindow(Host& host, QDialog* window, const QString& location, std::function<int()> get,
                             std::function<void(int)> set);
// A button whose click runs `command`; a command ended by the main window closing simply stops.
QPushButton* modeButton(QWidget* parent, const char* name, const char* caption, std::function<void()> command);
