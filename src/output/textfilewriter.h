#pragma once

#include <QSaveFile>
#include <QString>
#include <functional>
#include <memory>

// A text file that replaces its target only once it has been written completely: lines go to a temporary
// file beside the target, renamed over it at close. A failed write, or a writer dropped before close,
// leaves the old file as it was. UTF-8 without BOM, CR LF after every line.
class TextFileWriter {
public:
    using Factory = std::function<std::unique_ptr<QSaveFile>(const QString& path)>;

    explicit TextFileWriter(Factory factory = {});
    // Lines go to `device`, already open (standard output, say); create() then ignores its path.
    explicit TextFileWriter(QIODevice* device) : m_device(device) {}
    ~TextFileWriter();

    void create(const QString& path);    // throws Failure
    void writeLine(const QString& line); // throws Failure, also when the file could not be created
    void writeText(const QString& text); // the same without the line break
    void close();                        // throws Failure when the file could not be completed
    // True once creating or writing has failed: the file is lost, and the save can end.
    bool failed() const { return m_failed; }

private:
    Factory m_factory;
    std::unique_ptr<QSaveFile> m_file;
    QIODevice* m_device = nullptr;
    bool m_failed = false;
    QString m_reason; // the system's own words for the failure
};
