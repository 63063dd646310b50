#include "platform/qt/qtdialogs.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QLabel>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyle>
#include <QVBoxLayout>

MessageAnswer QtDialogs::showMessage(const QString& text, MessageButtons buttons, MessageIcon icon,
                                     const QString& title) {
    // The whole text, wrapped to a readable width and as tall as it needs; taller than the screen allows,
    // it scrolls. The box can be resized like any window.
    QDialog box(m_parent);
    box.setObjectName(QStringLiteral("MessageBox"));
    box.setWindowTitle(title);
    auto* label = new QLabel(toDisplayLines(text));
    label->setObjectName(QStringLiteral("MessageText"));
    label->setTextFormat(Qt::PlainText); // page text may look like markup
    label->setWordWrap(true);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    auto* scroll = new QScrollArea(&box);
    scroll->setObjectName(QStringLiteral("MessageScroll"));
    scroll->setWidget(label);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);

    auto* row = new QHBoxLayout;
    if (icon == MessageIcon::Warning) {
        auto* image = new QLabel(&box);
        const int side = box.style()->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, &box);
        image->setPixmap(
            box.style()->standardIcon(QStyle::SP_MessageBoxWarning, nullptr, &box).pixmap(side, side));
        image->setAlignment(Qt::AlignTop);
        row->addWidget(image, 0, Qt::AlignTop);
    }
    row->addWidget(scroll, 1);
    auto* answers =
        new QDialogButtonBox(buttons == MessageButtons::YesNo ? QDialogButtonBox::Yes | QDialogButtonBox::No
                                                              : QDialogButtonBox::Ok,
                             &box);
    QObject::connect(answers, &QDialogButtonBox::accepted, &box, &QDialog::accept);
    QObject::connect(answers, &QDialogButtonBox::rejected, &box, &QDialog::reject);
    auto* layout = new QVBoxLayout(&box);
    layout->addLayout(row, 1);
    layout->addWidget(answers);

    // About 60 characters a line, never wider than the screen, and wide enough for the title.
    const QFontMetrics metrics(label->font());
    const QRect screen =
        (m_parent && m_parent->screen() ? m_parent->screen() : QGuiApplication::primaryScreen())
            ->availableGeometry();
    const int readable = 60 * metrics.averageCharWidth();
    const int titleWidth = metrics.horizontalAdvance(title) + 120;
    int natural = 0; // the longest line, unwrapped
    for (const QString& line : label->text().split(QLatin1Char('\n')))
        natural = std::max(natural, metrics.horizontalAdvance(line));
    const int width = std::min(std::max(std::min(natural + 4, readable), titleWidth), screen.width() - 120);
    const int needed = label->heightForWidth(width);
    scroll->setMinimumSize(width + scroll->verticalScrollBar()->sizeHint().width(),
                           std::min(needed, screen.height() * 2 / 3));
    box.resize(box.minimumSizeHint()); // the size worked out above, not the label's own guess
    const int answer = box.exec();
    if (buttons == MessageButtons::Ok)
        return MessageAnswer::Ok;
    return answer == QDialog::Accepted ? MessageAnswer::Yes : MessageAnswer::No;
}

QString QtDialogs::showPrompt(const QString& text, const QString& defaultAnswer, const QString& title) {
    bool ok = false;
    const QString answer =
        QInputDialog::getText(m_parent, title, toDisplayLines(text), QLineEdit::Normal, defaultAnswer, &ok);
    return ok ? answer : QString();
}

QString QtDialogs::fileDialog(const FileDialogRequest& request) {
    QFileDialog dialog(m_parent, request.title);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setOption(QFileDialog::DontConfirmOverwrite); // the save commands ask their own question
    dialog.setNameFilters(toQtNameFilters(request.filter));
    const bool save = request.kind == FileDialogRequest::Kind::Save;
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    if (save)
        dialog.setFileMode(QFileDialog::AnyFile);
    else
        dialog.setFileMode((request.flags & FileDialogFlag::AllowMultiSelect) ? QFileDialog::ExistingFiles
                                                                              : QFileDialog::AnyFile);
    if (!request.fileName.isEmpty())
        dialog.selectFile(request.fileName);
    if (dialog.exec() != QDialog::Accepted)
        return {};
    const QStringList files = dialog.selectedFiles();
    if (files.size() > MaxSelection)
        throw SelectionTooLarge();
    return joinSelection(files);
}

QString QtDialogs::browseForFolder(const QString& message, const QString& startFolder) {
    return QFileDialog::getExistingDirectory(m_parent, message, startFolder,
                                             QFileDialog::ShowDirsOnly | QFileDialog::DontUseNativeDialog);
}
