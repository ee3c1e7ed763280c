#pragma once
// "Интермодуляционные искажения": IMD2 and IMD3 of the current channel, from the spectrum the
// delivered block holds. The measurement is a few passes over the stored bins, so it runs
// where the block arrives.
#include "dialogs/MeasurementView.h"
#include "sources/measure/imd/ImdJob.h"

#include <QDialog>

class QLineEdit;

class IntermodDistDlg : public QDialog, public MeasurementView {
    Q_OBJECT
public:
    explicit IntermodDistDlg(QWidget *parent = nullptr);

    // It keeps no settings.
    void setConfigPath(const QString &) override {}
    // Measures the current channel while the dialog is shown.
    void followBlock(const MeasurementContext &context) override;
    void showImd(const ImdResult &result);

    // Two decimals with trailing zeros and point removed; blank when not finite.
    static QString imdText(double db);

private:
    QLineEdit *m_pImd2Edit = nullptr;
    QLineEdit *m_pImd3Edit = nullptr;
};
