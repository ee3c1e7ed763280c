#pragma once
// A complex (I/Q) signal over the oscilloscope's window: its envelope or instantaneous
// frequency above, its phase below, on a shared time axis, each plot with a red and a blue
// marker and read-outs of both and their difference.
#include "dialogs/MeasurementView.h"
#include "plot/OrmaTypes.h"
#include "plot/Transforms.h"
#include "sources/BlockSnapshot.h"
#include "sources/measure/iq/IqSlice.h"
#include "sources/settings/IqViewSettings.h"

#include <QDialog>

#include <functional>
#include <memory>
#include <vector>

class QComboBox;
class QLabel;
class QLineEdit;
class QRadioButton;
class OrmaPlot;
class OrmaScaleDraw;
class OrmaTitle;

class AmplPhaseDlg : public QDialog, public MeasurementView {
    Q_OBJECT
public:
    explicit AmplPhaseDlg(QWidget *parent = nullptr);

    void setConfigPath(const QString &sPath) override;
    void loadSettings();
    void saveSettings() const;
    void setSettings(const AmplPhaseSettings &settings);
    AmplPhaseSettings settings() const;

    // Display units of the oscilloscope: amplitude 0..2, time 3..6.
    void setAmplitudeUnit(int code);
    void setTimeUnit(int code);
    // Both plots' x axes, record samples.
    void setTimeRange(double start, double end, double step);
    // Sample rate, bits and input range of the record.
    void setRecordParams(const FileParams &params);
    // The channel's gain factor of the oscilloscope's gain mode, 1 otherwise.
    void setAmplScale(double factor) { m_dAmplScale = factor; }
    // The dialog's own copy; an empty slice (no Q channel) shows nothing.
    void setData(IqSlice slice);
    void compute();
    // Opens only on a block with samples, in the oscilloscope's units and gain.
    bool prepare(const ViewSetup &setup) override;
    // While shown: the I/Q pair of the oscilloscope's current channel over its window.
    void followBlock(const MeasurementContext &context) override;

    OrmaPlot *amplPlot() const { return m_pAmplPlot; }
    OrmaPlot *phasePlot() const { return m_pPhasePlot; }

private slots:
    void slotDataTypeChange(QString sType);
    void slotAngleTypeChange(QString sType);
    void slotMoveMarker(QwtDoublePoint &point);
    void slotMarkerEnable(bool isEnable);

protected:
    void hideEvent(QHideEvent *event) override;

private:
    struct Markers {
        QwtDoublePoint red, blue;
        bool hasRed = false, hasBlue = false;
    };
    struct Series {
        std::vector<double> x, upper, phase;
    };
    bool isFrequency() const;
    void refreshReadouts();
    void fitAmplitudeAxis();
    // Red, blue and |blue - red| of one value of the markers.
    void showRow(QLineEdit *red, QLineEdit *blue, QLineEdit *delta, const Markers &m, int decimals,
                 const std::function<double(const QwtDoublePoint &)> &value);

    QString m_sConfigPath;
    OrmaPlot *m_pAmplPlot = nullptr;
    OrmaPlot *m_pPhasePlot = nullptr;
    OrmaTitle *m_pAmplTitle = nullptr;
    OrmaTitle *m_pPhaseTitle = nullptr;
    QComboBox *m_pDataTypeCmbBox = nullptr;
    QComboBox *m_pAngleTypeCmbBox = nullptr;
    QRadioButton *m_pAmplRedRadio = nullptr;
    QRadioButton *m_pAmplBlueRadio = nullptr;
    QRadioButton *m_pPhaseRedRadio = nullptr;
    QRadioButton *m_pPhaseBlueRadio = nullptr;
    QLabel *m_pAmplLabel[3] = {}; // red, blue and difference rows of the upper plot
    QLineEdit *m_pRedAmplEdit = nullptr, *m_pBlueAmplEdit = nullptr, *m_pDeltaAmplEdit = nullptr;
    QLineEdit *m_pRedTimeAmplEdit = nullptr, *m_pBlueTimeAmplEdit = nullptr, *m_pDeltaTimeAmplEdit = nullptr;
    QLineEdit *m_pRedPhaseEdit = nullptr, *m_pBluePhaseEdit = nullptr, *m_pDeltaPhaseEdit = nullptr;
    QLineEdit *m_pRedTimePhaseEdit = nullptr, *m_pBlueTimePhaseEdit = nullptr, *m_pDeltaTimePhaseEdit = nullptr;
    QLabel *m_pTimeLabel = nullptr;
    QLabel *m_pTimeLabel1 = nullptr;
    OrmaScaleDraw *m_pAmplYDraw = nullptr;
    OrmaScaleDraw *m_pPhaseYDraw = nullptr;

    FileParams m_params;
    double m_dAmplScale = 1.0;
    TimeTransforms m_timeTransforms;
    AmplTransformsMod m_amplTransforms;
    AngleTransforms m_angleTransforms;
    int m_nAmplUnit = -1;
    int m_nTimeUnit = -1;
    IqSlice m_data;
    std::shared_ptr<const Series> m_series; // what the curves draw
    Markers m_amplMarkers, m_phaseMarkers;
    bool m_bFitFrequency = false;
};
