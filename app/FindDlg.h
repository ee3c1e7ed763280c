#pragma once
// "Критерии поиска": the sixteen thresholds of the channel search, the units of the four
// signal-level ones and the channels searched. Loads from and saves to the configuration it is
// given; OK saves.
#include "sources/search/ChannelSearch.h"
#include "sources/ui/SettingsDlg.h"

#include <QList>

#include <array>

class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QPushButton;
class QRadioButton;

class FindDlg : public SettingsDlg {
    Q_OBJECT
public:
    explicit FindDlg(QWidget *parent = nullptr);

    void setConfigPath(const QString &sPath) { m_sConfigPath = sPath; }
    const QString &configPath() const { return m_sConfigPath; }
    void load();
    void save() const;
    void setSettings(const FindSettings &settings);
    FindSettings settings() const;

    // Load in ohms, for "dBm".
    void setImpedance(int nOhms) { m_nImpedance = nOhms; }
    int impedance() const { return m_nImpedance; }
    // The record's channel numbers; an empty selection becomes all of them.
    void setAvailableChannels(const QList<int> &channels);

    bool isCriterionEnabled(int nIdx) const;
    double threshold(int nIdx) const;
    // Criteria 4..7.
    QString unitText(int nIdx) const;
    void selectUnit(int nIdx, const QString &sText);
    bool autoOpen() const;
    bool isCurrentChannel() const;
    // Empty in current-channel mode, else the selected channels.
    QList<int> searchChannels() const;
    QString infoText() const;

public slots:
    void accept() override;
    void slotChanged(QString sDim);
    void slotToggled(bool isState);
    void slotShowFindChansDlg();

private:
    void refresh();
    // The stored choice within the available channels (all of them when none is left).
    QList<int> selection() const;

    QString m_sConfigPath;
    int m_nImpedance = 50;
    QList<int> m_lAvailable;
    QList<int> m_lSelected; // as chosen or stored, channels the record lacks included
    std::array<QCheckBox *, FindCriterionCount> m_checks{};
    std::array<QDoubleSpinBox *, FindCriterionCount> m_spins{};
    std::array<QComboBox *, 4> m_dims{};
    std::array<int, 4> m_lastUnits{};

    QRadioButton *m_pCurChanRadioBtn = nullptr;
    QRadioButton *m_pExtFindRadioBtn = nullptr;
    QPushButton *m_pChangeChansButton = nullptr;
    QLabel *m_pInfoLabel = nullptr;
    QCheckBox *m_pAutoOpenChkBox = nullptr;
};
