#pragma once

#include "shell/windowshell.h"

#include <QHash>
#include <QWidget>
#include <functional>

struct Host;
class MainState;
class QAbstractButton;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QLabel;
class QTreeWidget;
class QTimer;
class QTreeView;
class PointerRules;
class Form2;
class Form3;
class BetweenState;
class TextSetState;

// The main window: the source list, every command, the options and the results. It only wires controls
// to the commands of the engine and displays the state they act on.
class Form1 : public QWidget, public WindowShell {
    Q_OBJECT
public:
    Form1(Host& host, MainState& state, QWidget* parent = nullptr);
    ~Form1() override;
    Form2* form2() const { return m_form2; }
    Form3* form3() const { return m_form3; }

    QPushButton* button(const QString& objectName) const { return m_buttons.value(objectName); }

    // What the start-up asks of the window.
    QString applicationFolder() override;
    void applyFaceColor() override;
    void applySkin(const QString& path) override;
    void loadHoverPointer(const QString& path) override;
    void setCaption(const QString& caption) override;
    void setApplicationIcon() override;
    void setUrlColumn(const QString& header, int widthTwips) override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    QPushButton* addButton(const QString& name, const QString& caption, std::function<void()> command = {});
    QWidget* buildSourcesColumn();
    QWidget* buildCommandsColumn();
    QWidget* buildResultsColumn();
    QWidget* buildProblemsPane(QWidget* parent);
    void showProblemCount();
    void showRowCount();
    void bindState();
    void fitScreen();
    void restoreLayout();
    void storeLayout();
    void applyResultColumnWidths();
    static qsizetype selectedPosition(const QTreeView* view); // 1-based, 0 when nothing is selected
    // Runs one command; a command ended by the window closing simply stops.
    void runCommand(const std::function<void()>& command);

    Host& m_host;
    MainState& m_state;
    QHash<QString, QPushButton*> m_buttons;
    QTreeView* m_urlView = nullptr;
    QTreeView* m_resultsView = nullptr;
    QLineEdit* m_text1 = nullptr;
    QLineEdit* m_text2 = nullptr;
    QLineEdit* m_text5 = nullptr;
    QRadioButton* m_option1 = nullptr;
    QRadioButton* m_option2 = nullptr;
    QAbstractButton* m_check1 = nullptr;
    QAbstractButton* m_check14 = nullptr;
    QSpinBox* m_pageTimeout = nullptr;
    QSpinBox* m_settle = nullptr;
    QSpinBox* m_scroll = nullptr;
    QSpinBox* m_pagesAtOnce = nullptr;
    QProgressBar* m_progress = nullptr;
    QPushButton* m_stop = nullptr;
    QTimer* m_showProgress = nullptr;
    QLabel* m_problemCount = nullptr;
    QLabel* m_rowCount = nullptr;
    QTreeWidget* m_problems = nullptr;
    PointerRules* m_pointer = nullptr;
    bool m_layoutRestored = false;
    // The two mode windows, made on first use and kept (hidden between uses) until the program ends.
    BetweenState* m_between = nullptr;
    TextSetState* m_textSet = nullptr;
    Form2* m_form2 = nullptr;
    Form3* m_form3 = nullptr;
    void showForm2();
    void showForm3();
};
