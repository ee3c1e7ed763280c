#pragma once
// "Интермодуляционные искажения": IMD2 and IMD3 of the current channel, from the spectrum the
// delivered block holds. The measurement is a few passes over the stored bins, so it runs
// where the block arrives.
#include "dialogs/MeasurementView.h"
#include "sources/measure/imd/ImdJob.h"

#include <QDialog>

class QLabel;
class QLineEdit;

class IntermodDistDlg : public QDialog, public MeasurementView {
    Q_OBJECT
public:
    explicit IntermodDistDlg(QWidget *parent = nullptr);

    // It keeps no settings.
    void setConfigPath(const QString &) override {}
    // Measures the current channel while the dialog is shown.
    void followBlock(const MeasurementContext &context) override;
    // The figures, or blank fields with the reason beside them.
    void showImd(const ChannelImd &imd);

    // Two decimals with trailing zeros and point removed; blank when not finite.
    static QString imdText(double db);

private:
    QLineEdit *m_pImd2Edit = nullptr;
    QLineEdit *m_pImd3Edit = nullptr;
    QLabel *m_pReasonLabel = nullptr; // why figures are withheld; hidden while both are shown

    void showFigure(QLineEdit *edit, double db, const QString &reason);
    void showReasons(const QString &reasons);
};
