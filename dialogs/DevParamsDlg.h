#pragma once
// "Измерение параметров устройства": the quality figures of every channel side by side, judged
// against the criteria of row 0 that the user edits, with a spreadsheet export.
#include "dialogs/MeasurementView.h"
#include "sources/measure/devparams/DeviceTableJob.h"
#include "sources/settings/MeasurementSettings.h"
#include "sources/export/TableExport.h"

#include <QDialog>

class QComboBox;
class QPushButton;
class QTableWidget;
class RunButton;

class DevParamsDlg : public QDialog, public MeasurementView {
    Q_OBJECT
public:
    explicit DevParamsDlg(QWidget *parent = nullptr);

    // Reads the criteria and the selection mode; saves them there whenever the dialog closes.
    void setConfigPath(const QString &sPath) override;
    void loadSettings();
    void saveSettings() const;
    void setSettings(const DevParamsSettings &settings);
    DevParamsSettings settings() const;

    // The block's channels (copied: the table keeps no pointer into the block).
    void followBlock(const MeasurementContext &context) override;
    // One row per device channel, named by its number; the items are kept while the count is.
    void setChannels(const std::vector<int> &channels);
    void updateValues(const std::vector<DeviceValues> &rows);
    // The start button shows what acquisition does: "Стоп" on red while it runs.
    void setRunning(bool isRunning) override;
    // The table as the export writes it, each channel's full-scale figures and worst
    // non-harmonic spur after the judged ones.
    ExportTable exportTable() const;

public slots:
    void slotDoubleClicked(int nRow, int nCol);
    void slotWriteToExcel();

protected:
    void hideEvent(QHideEvent *event) override;

private:
    DeviceValues criteria() const;
    void recolour();

    QString m_sConfigPath;
    std::vector<int> m_channels;
    std::vector<DeviceValues> m_values;
    std::vector<DatasheetFigures> m_datasheet;
    QTableWidget *m_pParamsTable = nullptr;
    QComboBox *m_pSelModeCmbBox = nullptr;
    QPushButton *m_pExcelButton = nullptr;
    RunButton *m_pStartButton = nullptr;
};
