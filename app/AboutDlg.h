#pragma once
// "О программе...": the program, its version and the libraries it was built with.
#include <QDialog>

class AboutDlg : public QDialog {
    Q_OBJECT
public:
    explicit AboutDlg(QWidget *parent = nullptr);
    // The text shown, one line per component.
    static QString versionText();
};
