#include "output/textfilewriter.h"

#include "engine/failure.h"

TextFileWriter::TextFileWriter(Factory factory) : m_factory(std::move(factory)) {}

TextFileWriter::~TextFileWriter()
{
    if (m_file && m_file->isOpen())
        m_file->cancelWriting(); // never a half-written file in place of the user's
}

void TextFileWriter::create(const QString& path)
{
    if (m_device)
        return;
    m_file = m_factory ? m_factory(path) : std::make_unique<QSaveFile>(path);
    m_failed = false;
    if (!m_file->open(QIODevice::WriteOnly)) {
        const QString reason = m_file->errorString();
        m_file.reset();
        throw Failure(QStringLiteral("Path/File access error: ") + reason);
    }
}

void TextFileWriter::writeLine(const QString& line) { writeText(line + QStringLiteral("\r\n")); }

void TextFileWriter::writeText(const QString& text)
{
    QIODevice* out = m_device ? m_device : m_file.get();
    if (!out)
        throw Failure(QStringLiteral("Bad file name or number"));
    const QByteArray bytes = text.toUtf8();
    if (out->write(bytes) != bytes.size()) {
        if (m_file) {
            m_failed = true;
            m_file->cancelWriting();
        }
        throw Failure(QStringLiteral("Device I/O error: ") + out->errorString());
    }
}

void TextFileWriter::close()
{
    if (m_device)
        return;
    if (!m_file)
        throw Failure(QStringLiteral("Bad file name or number"));
    std::unique_ptr<QSaveFile> file = std::move(m_file);
    if (m_failed || !file->commit())
        throw Failure(QStringLiteral("Device I/O error: the file was not saved: ") + file->errorString());
}
