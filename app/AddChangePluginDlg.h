#pragma once
// "Добавление": the name and program of one plug-in, to add (mode 0) or change (mode 1).
#include <QDialog>

class QLineEdit;
class QPushButton;

class AddChangePluginDlg : public QDialog {
    Q_OBJECT
public:
    enum Mode { AddMode = 0, ChangeMode = 1 };
    explicit AddChangePluginDlg(Mode mode, QWidget *parent = nullptr);

    void setValues(const QString &sName, const QString &sPath);
    QString name() const;
    QString path() const;

public slots:
    void slotOpen();
    // Refuses an empty name or path with a box saying which; the dialog then stays open.
    void accept() override;

private:
    Mode m_mode;
    QLineEdit *m_pNameEdit = nullptr;
    QLineEdit *m_pPathEdit = nullptr;
    QPushButton *m_pOpenBtn = nullptr;
    QPushButton *m_pAddBtn = nullptr;
    QPushButton *m_pCancelBtn = nullptr;
};
