#include "sources/ui/LoadedFilesDlg.h"

#include "sources/ui/SettingsDlg.h"
#include "sources/record/Postfix.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

LoadedFilesDlg::LoadedFilesDlg(QWidget *parent) : QDialog(parent)
{
    setWindowTitle(QString::fromUtf8("Загруженные файлы"));

    m_pFileList = named(new QListWidget, "m_pFileList");
    m_pFileList->setMinimumWidth(480);
    m_pAddButton = named(new QPushButton(QString::fromUtf8("Добавить файл...")), "m_pAddButton");
    m_pRemoveButton = named(new QPushButton(QString::fromUtf8("Удалить файл")), "m_pRemoveButton");
    auto *closeBox = new QDialogButtonBox(QDialogButtonBox::Close);
    closeBox->button(QDialogButtonBox::Close)->setText(QString::fromUtf8("Закрыть"));

    auto *buttons = new QVBoxLayout;
    buttons->addWidget(m_pAddButton);
    buttons->addWidget(m_pRemoveButton);
    buttons->addStretch();
    auto *body = new QHBoxLayout;
    body->addWidget(m_pFileList);
    body->addLayout(buttons);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(body);
    layout->addWidget(closeBox);

    connect(m_pAddButton, &QPushButton::clicked, this, &LoadedFilesDlg::slotAddFile);
    connect(m_pRemoveButton, &QPushButton::clicked, this, &LoadedFilesDlg::slotRemoveFile);
    connect(m_pFileList, &QListWidget::itemSelectionChanged, this, &LoadedFilesDlg::slotSelectionChange);
    connect(closeBox, &QDialogButtonBox::rejected, this, &LoadedFilesDlg::reject);
    slotSelectionChange();
}

void LoadedFilesDlg::setFiles(const QStringList &files)
{
    m_pFileList->clear();
    m_pFileList->addItems(files);
    m_reference = files.isEmpty() ? RecordSignature() : readRecordSignature(files.first());
    slotSelectionChange();
}

QStringList LoadedFilesDlg::files() const
{
    QStringList files;
    for (int nRow = 0; nRow < m_pFileList->count(); ++nRow)
        files << m_pFileList->item(nRow)->text();
    return files;
}

bool LoadedFilesDlg::addFile(const QString &sPath)
{
    // The same record twice would show its channels twice, and removing one would remove both.
    if (files().contains(sPath)) {
        QMessageBox::information(this, QStringLiteral("ORMA"), QString::fromUtf8("\nФайл уже загружен!"),
                                 QMessageBox::Ok);
        return false;
    }
    if (readRecordSignature(sPath) != m_reference) {
        QMessageBox::critical(this, QString::fromUtf8("Ошибка"),
                              QString::fromUtf8("\nФайл имеет другие параметры!"), QMessageBox::Ok);
        return false;
    }
    m_pFileList->addItem(sPath);
    emit signalAddRemoveFile(FileAdded, sPath);
    return true;
}

void LoadedFilesDlg::slotAddFile()
{
    const QString sPath = chooseFile();
    if (!sPath.isEmpty())
        addFile(sPath);
}

void LoadedFilesDlg::slotRemoveFile()
{
    const int nRow = removableRow();
    if (nRow < 0)
        return;
    const QString sPath = m_pFileList->item(nRow)->text();
    delete m_pFileList->takeItem(nRow);
    emit signalAddRemoveFile(FileRemoved, sPath);
}

QString LoadedFilesDlg::chooseFile()
{
    return QFileDialog::getOpenFileName(this, QString::fromUtf8("Выберите файл"), QDir::currentPath(),
                                        QStringLiteral("*.bin"));
}

int LoadedFilesDlg::removableRow() const
{
    // The main record cannot be removed: the set is described by it.
    const int nRow = m_pFileList->currentRow();
    return nRow > 0 && m_pFileList->item(nRow)->isSelected() ? nRow : -1;
}

void LoadedFilesDlg::slotSelectionChange()
{
    m_pRemoveButton->setEnabled(removableRow() >= 0);
}
