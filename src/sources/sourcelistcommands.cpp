#include "sources/sourcelistcommands.h"

#include "engine/mainstate.h"
#include "engine/procedure.h"
#include "platform/host.h"

void PushButton5_Click(Host& host, MainState& state)
{
    Procedure p(host.dialogs, QStringLiteral("Form1.PushButton5_Click"));
    QString answer;
    p.run(100, [&] {
        answer = host.dialogs.prompt(
            QStringLiteral("Enter web site address to add (such as example.com): "));
    });
    if (p.test(102, [&] { return answer.isEmpty(); }))
        return;
    p.run(104, [&] { state.urls.append(answer); });
}
