#include "output/textfilewriter.h"

#include "base/failure.h"

TextFileWriter::TextFileWriter(Factory factory) : m_factory(std::move(factory)) {}

TextFileWriter::~TextFileWriter() {
    if (m_file && m_file->isOpen())
        m_file->cancelWriting(); // never a half-written file in place of the user's
}

void TextFileWriter::create(const QString& path) {
    if (m_device)
        return;
    m_file = m_factory ? m_factory(path) : std::make_unique<QSaveFile>(path);
    m_failed = false;
    if (!m_file->open(QIODevice::WriteOnly)) {
        m_reason = m_file->errorString();
        m_file.reset();
        m_failed = true; // nothing more is tried: every later write reports this same reason once
        throw Failure(QStringLiteral("Path/File access error: ") + m_reason);
    }
}

void TextFileWriter::writeLine(const QString& line) {
    writeText(line + QStringLiteral("\r\n"));
}

void TextFileWriter::writeText(const QString& text) {
    QIODevice* out = m_device ? m_device : m_file.get();
    if (!out)
        throw Failure(QStringLiteral("Bad file name or number"));
    if (m_failed)
        throw Failure(QStringLiteral("Device I/O error: the file was not saved: ") + m_reason);
    const QByteArray bytes = text.toUtf8();
    if (out->write(bytes) != bytes.size()) {
        m_reason = out->errorString(); // before cancelling, which has its own text
        m_failed = true;               // a device too: one report, and the save ends
        if (m_file)
            m_file->cancelWriting();
        throw Failure(QStringLiteral("Device I/O error: ") + m_reason);
    }
}

void TextFileWriter::close() {
    const auto notSaved = [](const QString& reason) {
        return Failure(QStringLiteral("Device I/O error: the file was not saved: ") + reason);
    };
    if (m_device) {
        // Standard output may be a file on a full disk too: what is still buffered must arrive.
        if (auto* file = qobject_cast<QFileDevice*>(m_device); file && !file->flush())
            throw notSaved(file->errorString());
        return;
    }
    if (!m_file)
        throw Failure(QStringLiteral("Bad file name or number"));
    std::unique_ptr<QSaveFile> file = std::move(m_file);
    if (m_failed)
        throw notSaved(m_reason);
    // The last buffered bytes are written here; a failure to write them must not let the commit replace
    // the old file with a short one.
    if (!file->flush()) {
        const QString reason = file->errorString();
        file->cancelWriting();
        throw notSaved(reason);
    }
    if (!file->commit())
        throw notSaved(file->errorString());
}
