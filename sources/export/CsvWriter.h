#pragma once
// Comma-separated UTF-8 text for spreadsheets and scripts, one row at a time: fields quoted
// where they must be, lines ended by CR LF, a byte-order mark first (spreadsheet programs need
// it to read Russian headers). An existing file is replaced only once the whole text is written.
#include <QSaveFile>
#include <QStringList>

class CsvWriter {
public:
    explicit CsvWriter(const QString &path);

    // Empty when the file could be opened, else a message naming it.
    QString open();
    void writeRow(const QStringList &fields);
    // Empty on success, else a message naming the file and the failure.
    QString commit();

    // One field as it goes into the file.
    static QString field(const QString &text);

private:
    QString failure() const;

    QString m_path;
    QSaveFile m_file;
};
