#pragma once
// A complex (I/Q) signal as its trajectory in the I/Q plane, inside the square of full-scale
// codes with an axis cross; two free markers read off points in polar or rectangular
// coordinates. Its own tool bar moves, zooms, places markers and undoes.
#include "dialogs/MeasurementView.h"
#include "plot/OrmaTypes.h"
#include "plot/Transforms.h"
#include "sources/BlockSnapshot.h"
#include "sources/measure/iq/IqSlice.h"
#include "sources/settings/IqViewSettings.h"

#include <QDialog>

#include <memory>

class QComboBox;
class QLabel;
class QLineEdit;
class QToolButton;
class QwtPlotCurve;
class OrmaPlot;
class VectorTrajectory;

class VectorDiagramDlg : public QDialog, public MeasurementView {
    Q_OBJECT
public:
    explicit VectorDiagramDlg(QWidget *parent = nullptr);

    void setConfigPath(const QString &sPath) override;
    void loadSettings();
    void saveSettings() const;
    void setSettings(const VectorDiagramSettings &settings);
    VectorDiagramSettings settings() const;

    // Bits and input range: the full-scale square and the converter.
    void setRecordParams(const FileParams &params);
    void setAmplitudeUnit(int code);
    // The dialog's own copy; an empty slice (no Q channel) shows nothing.
    void setData(IqSlice slice);
    void redraw();
    // In the oscilloscope's amplitude unit.
    bool prepare(const ViewSetup &setup) override;
    // While shown: the I/Q pair of the oscilloscope's current channel over its window.
    void followBlock(const MeasurementContext &context) override;

    OrmaPlot *plot() const { return m_pPlot; }
    const VectorTrajectory *trajectory() const { return m_pTrajectory; }
    // Half the full-scale square, 2^(bits - 1) codes.
    double halfScale() const;

public slots:
    void slotMove(bool isFlg);
    void slotHMove(bool isFlg);
    void slotVMove(bool isFlg);
    void slotZoom(bool isFlg);
    void slotHZoom(bool isFlg);
    void slotVZoom(bool isFlg);
    void slotUndo();
    void slotAutoScale();
    void slotRMarker(bool isFlg);
    void slotBMarker(bool isFlg);
    void slotMoveMarker(QwtDoublePoint &point);
    void slotChangeCoordinateType(int bType);
    void slotChangeGrade();
    void accept() override;

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    // Switches off every tool button but `keep`.
    void clearOtherTools(QToolButton *keep);
    void applyFullScale();
    void refreshReadouts();

    QString m_sConfigPath;
    OrmaPlot *m_pPlot = nullptr;
    QToolButton *m_pMoveButton = nullptr, *m_pHMoveButton = nullptr, *m_pVMoveButton = nullptr;
    QToolButton *m_pZoomButton = nullptr, *m_pHZoomButton = nullptr, *m_pVZoomButton = nullptr;
    QToolButton *m_pRMarkerButton = nullptr, *m_pBMarkerButton = nullptr;
    QToolButton *m_pUndoButton = nullptr, *m_pUndoAllButton = nullptr;
    QComboBox *m_pCoordinateTypeCmbBox = nullptr;
    QComboBox *m_pGradeTypeCmbBox = nullptr;
    QLabel *m_pLabel[6] = {}; // red value, red phase, blue ..., delta ...
    QLineEdit *m_pRedAmplEdit = nullptr, *m_pRedPhaseEdit = nullptr;
    QLineEdit *m_pBlueAmplEdit = nullptr, *m_pBluePhaseEdit = nullptr;
    QLineEdit *m_pDeltaAmplEdit = nullptr, *m_pDeltaPhaseEdit = nullptr;
    QwtPlotCurve *m_pHorizontalAxis = nullptr;
    QwtPlotCurve *m_pVerticalAxis = nullptr;
    VectorTrajectory *m_pTrajectory = nullptr; // owned by the plot

    FileParams m_params;
    AmplTransforms m_transforms;
    int m_nAmplUnit = DimCodes;
    std::shared_ptr<const IqSlice> m_data; // what the curve draws
    QwtDoublePoint m_red, m_blue;
    bool m_bHasRed = false, m_bHasBlue = false;
    bool m_bBlueIsCurrent = false;
};
