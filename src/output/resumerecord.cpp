#include "output/resumerecord.h"

bool ResumeRecord::read(QIODevice& in) {
    const QByteArray first = in.readLine();
    const QList<QByteArray> words = first.trimmed().split(' ');
    if (!first.endsWith('\n') || words.size() != 4 || words[0] != "quarnel-cli" || words[1] != "resume")
        return false;
    headerLine = first.chopped(1);
    key = words[3];
    wholeBytes = first.size();
    for (QByteArray line = in.readLine(); line.endsWith('\n'); line = in.readLine()) {
        wholeBytes += line.size();
        const QList<QByteArray> parts = line.trimmed().split(' ');
        if (parts.value(0) == "complete") {
            complete = true;
        } else if (parts.size() == 3 && parts[0] == "done") {
            const qsizetype entries = parts[1].toLongLong();
            ends.resize(std::min(ends.size(), entries));
            if (ends.size() == entries)
                ends << parts[2].toLongLong();
        } else if (parts.size() == 2 && parts[0] == "shard") {
            shardK = parts[1].split('/').value(0).toInt();
            shardN = parts[1].split('/').value(1).toInt();
        }
    }
    return true;
}
