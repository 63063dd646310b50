#pragma once

#include <QByteArray>
#include <QDialog>
#include <QString>
#include <functional>

struct Host;
class QPushButton;
class QWidget;
class PointerRules;

// What both mode windows do when they load: the face colour, the application's icon, the hover pointer
// image when its file is there (a faulty one is reported under `location`), and the pointer rules.
PointerRules* loadModeWindow(Host& host, QDialog* window, const QString& location, std::function<int()> get,
                             std::function<void(int)> set);
// A button whose click runs `command`; a command ended by the main window closing simply stops.
QPushButton* modeButton(QWidget* parent, const char* name, const char* caption,
                        std::function<void()> command);

class MainState;

// What the two mode windows share: Escape stops a running extraction instead of closing the window, the
// window comes back where the user left it, and it is wide enough for its whole title.
class ModeDialog : public QDialog {
    Q_OBJECT
public:
    ModeDialog(MainState& state, QWidget* parent);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void fitTitle();

private:
    MainState& m_runState;
    QByteArray m_geometry;
};
