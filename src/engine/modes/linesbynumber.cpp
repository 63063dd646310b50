#include "engine/modes/linesbynumber.h"

#include "base/failure.h"
#include "engine/extractionrun.h"
#include "engine/mainstate.h"
#include "engine/procedure.h"
#include "engine/retrieval.h"
#include "platform/host.h"

#include <QLocale>
#include <cmath>

namespace LineNumbers {

qint16 toInteger(const QString& piece) {
    const QString trimmed = piece.trimmed();
    bool ok = false;
    double number = QLocale::system().toDouble(trimmed, &ok);
    if (!ok)
        number = QLocale::c().toDouble(trimmed, &ok);
    if (!ok || trimmed.isEmpty() || !std::isfinite(number)) // "nan" and "inf" parse, but are no line number
        throw Failure(QStringLiteral("Type mismatch"));
    const double rounded = std::nearbyint(number); // halves go to the even neighbour
    if (rounded < -32768 || rounded > 32767)
        throw Failure(QStringLiteral("Overflow"));
    return static_cast<qint16>(rounded);
}

double leadingNumber(const QString& text) {
    QString digits;
    bool seenDigit = false, seenPoint = false, seenExponent = false;
    for (QChar ch : text) {
        if (ch == QLatin1Char(' ') || ch == QLatin1Char('\t') || ch == QLatin1Char('\n') ||
            ch == QLatin1Char('\r'))
            continue; // blanks are ignored anywhere
        if (ch.isDigit() && ch.unicode() < 128) {
            seenDigit = true;
        } else if ((ch == QLatin1Char('+') || ch == QLatin1Char('-')) &&
                   (digits.isEmpty() || digits.endsWith(QLatin1Char('e')))) {
        } else if (ch == QLatin1Char('.') && !seenPoint && !seenExponent) {
            seenPoint = true;
        } else if ((ch == QLatin1Char('e') || ch == QLatin1Char('E')) && seenDigit && !seenExponent) {
            seenExponent = true;
            ch = QLatin1Char('e');
        } else {
            break;
        }
        digits += ch;
    }
    // Drop what cannot end a number ("1e", "1e-", "-").
    while (!digits.isEmpty() && !digits.back().isDigit() && digits.back() != QLatin1Char('.'))
        digits.chop(1);
    bool ok = false;
    const double value = digits.toDouble(&ok);
    return ok ? value : 0.0;
}

} // namespace LineNumbers

void runLinesByNumber(Host& host, MainState& state) {
    Procedure p(host.dialogs, QStringLiteral("Form1.PushButton17_Click"));
    QStringList pieces; // each piece's text, or the decimal digits of the number it converted to
    QString numberList;

    p.run(100, [&] { pieces.clear(); });
    if (p.test(102, [&] { return (numberList = state.text5()).isEmpty(); })) {
        p.run(210, [&] { host.dialogs.message(QStringLiteral("Fill out text to use to extract lines.")); });
        return;
    }
    if (p.test(104, [&] { return state.urls.isEmpty(); })) {
        p.run(208, [&] { host.dialogs.message(QStringLiteral("No files added.")); });
        return;
    }
    p.run(106, [&] { state.setPointer(Pointer::Busy); });
    ExtractionRun::rebuildLayout(p, state, 108);
    p.run(124, [&] { pieces = numberList.split(QLatin1Char(',')); });
    for (QString& piece : pieces)
        p.run(128, [&] { piece = QString::number(LineNumbers::toInteger(piece)); });

    // The number each piece reads as. Pieces do not change during the run, so reading them once gives the
    // same selection as reading them again for every line.
    QVector<double> wanted;
    for (const QString& piece : std::as_const(pieces))
        wanted << LineNumbers::leadingNumber(piece);

    ExtractionRun::forEachEntry(p, host, state, 132, [&](const QString& entry) {
        p.run(142, [&] { state.setPointer(Pointer::Busy); });
        p.run(146, [&] { state.results.setFirstHeader(QStringLiteral("Results - Looking at: ") + entry); });
        QString pageText;
        p.run(148, [&] { pageText = readPageText(host, state, entry); });
        QStringList lines;
        p.run(150, [&] { lines = ExtractionRun::cutIntoLines(pageText); });
        for (qsizetype j = 0; j < lines.size(); ++j) {
            p.run(154, [&] { host.pump.processPendingEvents(); });
            p.run(156, [&] { state.setResultsDisplayEnabled(false); });
            bool selected = false;
            for (const double number : std::as_const(wanted)) {
                if (p.test(164, [&] { return number == double(j + 1); })) {
                    selected = true;
                    break;
                }
            }
            if (p.test(170, [&] { return selected; }))
                ExtractionRun::addExtractedLine(p, state, entry, lines[j], 172);
            p.run(192, [&] { state.setResultsDisplayEnabled(true); });
        }
    });
    p.run(198, [&] { state.results.setFirstHeader(QStringLiteral("Results")); });
    p.run(200, [&] { state.setPointer(Pointer::Default); });
    p.run(202, [&] { state.setProgressValue(0); });
    p.run(204, [&] { state.setStatusLine(MainState::idleStatus()); });
    p.run(206, [&] { host.dialogs.message(ExtractionRun::closingMessage(state)); });
}

void showLinesByNumberHelp(Host& host) {
    Procedure p(host.dialogs, QStringLiteral("Form1.PushButton16_Click"));
    const QStringList lines = {
        QStringLiteral("If one of the urls has this for content:"),
        QString(),
        QStringLiteral("A"),
        QStringLiteral("B"),
        QStringLiteral("C"),
        QStringLiteral("D"),
        QStringLiteral("E"),
        QStringLiteral("F"),
        QStringLiteral("G"),
        QString(),
        QStringLiteral("and your input is: 1,3,4"),
        QString(),
        QStringLiteral("then "),
        QString(),
        QStringLiteral("A"),
        QStringLiteral("C"),
        QStringLiteral("D"),
        QString(),
        QStringLiteral("will be extracted."),
        QString(),
        QStringLiteral("The same lines will be extracted throughout all the urls you add to the list."),
    };
    p.run(100, [&] { host.dialogs.message(lines.join(QLatin1Char('\r'))); });
}
