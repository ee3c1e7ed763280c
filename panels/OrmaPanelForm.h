#pragma once
// The panel's form: every widget of a display panel under its designer name. Both panels
// share it and show or hide its parts.
#include <QtGlobal>

class QComboBox;
class QFrame;
class QHBoxLayout;
class QLabel;
class QLineEdit;
class QSpacerItem;
class QToolButton;
class QVBoxLayout;
class QWidget;
class ComboBoxInc;
class OrmaPlot;
class OrmaSlider;
class OrmaTitle;

namespace Ui {

class OrmaPanel
{
public:
    QVBoxLayout *m_pOuterLayout;
    QFrame *m_pFrame;
    QVBoxLayout *m_pFrameLayout;

    QHBoxLayout *m_pTopLayout;
    QFrame *m_pCyclesFrame;
    QLineEdit *m_pCyclesEdit;
    QLabel *m_pChanLabel;
    QLineEdit *m_pChanEdit;
    QWidget *m_pMinMaxWidget;
    QLineEdit *m_pMinEdit;
    QLineEdit *m_pMaxEdit;
    QLabel *m_pMarkerXLabel;
    QLineEdit *m_pMarkerXEdit;
    QLabel *m_pMarkerYLabel;
    QLineEdit *m_pMarkerYEdit;
    QLabel *m_pScaleXLabel;
    ComboBoxInc *m_pScaleXCmbBox;
    QLabel *m_pScaleYLabel;
    ComboBoxInc *m_pScaleYCmbBox;
    QToolButton *m_pUndoButton;
    QToolButton *m_pAutoScaleButton;

    QHBoxLayout *m_pPlotLayout;
    OrmaTitle *m_pVerticalTitle;
    OrmaPlot *m_pPlot;
    OrmaSlider *m_pSlider;

    QHBoxLayout *m_pBottomLayout;
    QLabel *m_pHorizontalTitle;
    QLineEdit *m_pValueEdit;
    QLabel *m_pHorizontalDimension;
    QFrame *m_pDynParamFrame;
    QLineEdit *m_pSfdrEdit;
    QLineEdit *m_pSnrEdit;
    QLineEdit *m_pThdEdit;
    QLineEdit *m_pThdnEdit;
    QLineEdit *m_pEnbEdit;
    QFrame *m_pPowerFrame;
    QComboBox *m_pHarmCmbBox;
    QLineEdit *m_pPowerEdit;
    QComboBox *m_pDimCmbBox;
    QSpacerItem *m_pPowerSpacer;
    QWidget *m_pSampleFreqWidget;
    QLabel *m_pHorizontalTitle_2;
    QLineEdit *m_pSampleRateEdit;
    QLabel *m_pHorizontalDimension_2;

    void setupUi(QWidget *panel);
};

} // namespace Ui
