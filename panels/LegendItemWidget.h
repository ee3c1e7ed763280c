#pragma once
// One entry of the channel legend: a channel chooser above a colour swatch. A click on the
// chooser makes the channel current, a double click on the swatch hides or shows its curve.
#include <QFrame>
#include <QList>

class QComboBox;

class LegendItemWidget : public QFrame
{
    Q_OBJECT

public:
    explicit LegendItemWidget(QWidget *parent = nullptr);

    // The chooser then lists just this channel.
    void setChannel(int n);
    int channel() const { return m_channel; }
    // The numbers of every channel the chooser lists.
    QList<int> channels() const;
    void setColor(const QColor &color);
    QColor color() const;
    bool isChannelVisible() const { return m_visible; }
    // Fills the swatch and shows the channel's curve.
    void showChannel();
    void setCurrent(bool on);
    bool isCurrent() const { return m_current; }

    QComboBox *m_pComboBox;
    QFrame *m_pFrame;

signals:
    void signalSelect(int);
    void signalShow(int nIdx);
    void signalHide(int nIdx);
    void signalColorChange(int nIdx, QColor &color);
    void currentIndexChanged(const QString &sText);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool swatchEvent(QEvent *event);
    bool chooserEvent(QEvent *event);
    static int numberOf(const QString &itemText);

    int m_channel = 0;
    bool m_visible = true;
    bool m_current = false;
};
