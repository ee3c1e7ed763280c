#pragma once
// "Загруженные файлы": the records loaded together as one set of channels. Records can be added
// when they look like the first one (postfix present, channel line, complex flag) and removed,
// except the first one; the main window follows every change through signalAddRemoveFile().
#include "sources/record/Postfix.h"

#include <QDialog>
#include <QString>
#include <QStringList>

class QListWidget;
class QPushButton;

class LoadedFilesDlg : public QDialog {
    Q_OBJECT
public:
    enum Command { FileAdded = 0, FileRemoved = 1 };

    explicit LoadedFilesDlg(QWidget *parent = nullptr);

    // The loaded records, the main one first; its signature becomes the reference.
    void setFiles(const QStringList &files);
    QStringList files() const;
    // Adds a record when it matches the reference, else says why; true when it was added.
    bool addFile(const QString &sPath);

signals:
    void signalAddRemoveFile(int nCmd, QString sFile);

public slots:
    void slotAddFile();
    void slotRemoveFile();

protected:
    // The record to add, empty when the user cancelled.
    virtual QString chooseFile();

private slots:
    void slotSelectionChange();

private:
    // The selected row unless it is the main record; -1 when nothing may be removed.
    int removableRow() const;

    RecordSignature m_reference;
    QListWidget *m_pFileList = nullptr;
    QPushButton *m_pAddButton = nullptr;
    QPushButton *m_pRemoveButton = nullptr;
};
